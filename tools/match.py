#!/usr/bin/env python3
"""A small match runner for two UCI engines, for strength and stability checks.

Plays each opening twice with colours exchanged, on a real clock. Every move
is passed to the other engine exactly as its author wrote it, after an
independent arbiter (Debian's Stockfish, through "go perft 1" and "d") has
found it legal; a malformed or illegal move, a bestmove later than the clock,
or an engine that stops answering loses the game. Games end by mate,
stalemate, threefold repetition, the fifty-move rule or bare kings (all
decided by the arbiter), by adjudication on agreeing scores, or at a move
limit.

Usage: tools/match.py ENGINE1 ENGINE2 [--time 10] [--inc 0.1] [--moves N]
                      [--openings N] [--openings-file FILE] [--chess960]
                      [--pgn FILE]
An engine is a command line; UCI options can follow after '::', e.g.
  "build/vireo::Threads=1" "/usr/games/stockfish::Skill Level=3::Threads=1"
An openings file has one opening per line: moves ("e2e4 e7e5"), or
"fen FEN [moves ...]"; tools/chess960_positions.py --openings writes one of
Chess960 start positions. With --chess960 the engines get each opening's FEN
as the arbiter writes it, with the castling rooks named by file
(Shredder-FEN): given X-FEN's KQkq for a Chess960 position, Glaurung 2.2
crashes a few moves into the game.
With --pgn every game, opening moves included, is
appended to FILE in PGN (SAN moves, as book builders read them).
"""

import argparse
import math
import os
import re
import select
import subprocess
import sys
import time

OPENINGS = [
    "", "e2e4 e7e5", "e2e4 c7c5", "d2d4 d7d5", "d2d4 g8f6 c2c4 e7e6", "c2c4 e7e5",
    "e2e4 e7e6 d2d4 d7d5", "e2e4 c7c6 d2d4 d7d5", "g1f3 d7d5 g2g3", "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6",
    "d2d4 g8f6 c2c4 g7g6 b1c3 f8g7", "e2e4 c7c5 g1f3 d7d6 d2d4 c5d4 f3d4 g8f6", "c2c4 c7c5 b1c3 b8c6",
    "e2e4 d7d5 e4d5 d8d5", "d2d4 d7d5 c2c4 c7c6", "e2e4 e7e5 g1f3 g8f6",
]

# UCI move text: lower-case promotion letters only.
MOVE_TEXT = re.compile(r"^[a-h][1-8][a-h][1-8][nbrq]?$")
ARBITER = "/usr/games/stockfish"


class Pipe:
    """A child process spoken to line by line; reads the pipe directly, since
    a buffered reader would hide lines from select."""

    def __init__(self, command):
        self.proc = subprocess.Popen(command.split(), stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL)
        self.pending = b""

    def send(self, line):
        try:
            self.proc.stdin.write((line + "\n").encode())
            self.proc.stdin.flush()
        except (BrokenPipeError, OSError):
            pass

    def read_line(self, timeout):
        deadline = time.time() + timeout
        fd = self.proc.stdout.fileno()
        while b"\n" not in self.pending:
            ready, _, _ = select.select([fd], [], [], max(deadline - time.time(), 0))
            if not ready:
                return None
            chunk = os.read(fd, 65536)
            if not chunk:
                return ""
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode(errors="replace").rstrip("\r") + "\n"

    def wait_for(self, prefix, timeout):
        deadline = time.time() + timeout
        while True:
            line = self.read_line(deadline - time.time())
            if line is None or line == "":
                raise RuntimeError(f"{self.proc.args[0]}: no '{prefix}'")
            if line.startswith(prefix):
                return line

    def quit(self):
        try:
            self.send("quit")
            self.proc.wait(5)
        except Exception:
            self.proc.kill()


class Engine(Pipe):
    def __init__(self, description, chess960):
        parts = description.split("::")
        super().__init__(parts[0])
        self.name = parts[0]
        self.send("uci")
        self.wait_for("uciok", 10)
        if chess960:
            self.send("setoption name UCI_Chess960 value true")
        for option in parts[1:]:
            name, value = option.split("=", 1)
            self.send(f"setoption name {name} value {value}")
        self.send("isready")
        self.wait_for("readyok", 10)


class Arbiter(Pipe):
    """Knows the rules: the legal moves, check, and the position's FEN."""

    def __init__(self, chess960):
        super().__init__(ARBITER)
        self.send("uci")
        self.wait_for("uciok", 10)
        if chess960:
            self.send("setoption name UCI_Chess960 value true")
        self.send("isready")
        self.wait_for("readyok", 10)

    def examine(self, position):
        """(legal moves, in check, FEN) of a 'position ...' command's position."""
        self.send(position)
        self.send("d")
        fen, in_check = None, False
        while True:
            line = self.read_line(10)
            if line is None or line == "":
                raise RuntimeError("the arbiter stopped answering")
            if line.startswith("Fen: "):
                fen = line[5:].strip()
            elif line.startswith("Checkers:"):
                in_check = bool(line[9:].strip())
                break
        self.send("go perft 1")
        moves = set()
        while True:
            line = self.read_line(10)
            if line is None or line == "":
                raise RuntimeError("the arbiter stopped answering")
            if line.startswith("Nodes searched"):
                break
            if ": " in line:
                moves.add(line.split(":")[0].strip())
        return moves, in_check, fen


def san(fen, legal, move):
    """The SAN of a legal coordinate move, without check or mate sign."""
    board = {}
    for rank, row in zip("87654321", fen.split()[0].split("/")):
        file = 0
        for c in row:
            if c.isdigit():
                file += int(c)
            else:
                board["abcdefgh"[file] + rank] = c
                file += 1
    origin, target, promotion = move[:2], move[2:4], move[4:]
    piece = board[origin].upper()
    if piece == "K" and abs(ord(target[0]) - ord(origin[0])) == 2:
        return "O-O" if target[0] == "g" else "O-O-O"
    if piece == "P":
        text = origin[0] + "x" + target if origin[0] != target[0] else target
        return text + ("=" + promotion.upper() if promotion else "")
    rivals = [m[:2] for m in legal if m[2:4] == target and m[:2] != origin and board.get(m[:2]) == board[origin]]
    which = ""
    if rivals:
        if all(r[0] != origin[0] for r in rivals):
            which = origin[0]
        elif all(r[1] != origin[1] for r in rivals):
            which = origin[1]
        else:
            which = origin
    return piece + which + ("x" if target in board else "") + target


def write_pgn(path, arbiter, start, moves, white, black, result, reason, round_number):
    """Appends the game, replayed through the arbiter for the SAN texts."""
    texts = []
    examined = [arbiter.examine(f"position {start}" + (" moves " + " ".join(moves[:k]) if k else ""))
                for k in range(len(moves) + 1)]
    for k, move in enumerate(moves):
        legal, _, fen = examined[k]
        after_legal, after_check, _ = examined[k + 1]
        suffix = ("#" if not after_legal else "+") if after_check else ""
        texts.append(san(fen, legal, move) + suffix)
    first_fen = examined[0][2]
    black_first = first_fen.split()[1] == "b"
    number = int(first_fen.split()[5])
    words = []
    for k, text in enumerate(texts):
        black_to_move = (k % 2 == 1) != black_first
        if not black_to_move:
            words.append(f"{number}.")
        elif k == 0:
            words.append(f"{number}...")
        words.append(text)
        if black_to_move:
            number += 1
    outcome = "1/2-1/2" if result == 0.5 else ("1-0" if result == 0 else "0-1")
    words.append(outcome)
    lines, line = [], ""
    for w in words:
        if line and len(line) + 1 + len(w) > 79:
            lines.append(line)
            line = w
        else:
            line = f"{line} {w}" if line else w
    lines.append(line)
    tags = [("Event", "tools/match.py"), ("Site", "?"), ("Date", time.strftime("%Y.%m.%d")),
            ("Round", str(round_number)), ("White", white), ("Black", black), ("Result", outcome),
            ("Termination", reason)]
    if start != "startpos":
        tags += [("SetUp", "1"), ("FEN", first_fen)]
    with open(path, "a") as f:
        for name, value in tags:
            value = value.replace("\\", "\\\\").replace('"', '\\"')
            f.write(f'[{name} "{value}"]\n')
        f.write("\n" + "\n".join(lines) + "\n\n")


def bare_kings(fen):
    """No mating material: kings alone, or one minor piece beside them."""
    pieces = [c for c in fen.split()[0] if c.isalpha() and c not in "kK"]
    return len(pieces) == 0 or (len(pieces) == 1 and pieces[0] in "nNbB")


def play(white, black, arbiter, opening, args, stats, game_number=0):
    start = "startpos"
    moves = []
    if opening.startswith("fen "):
        rest = opening[4:].split(" moves ")
        start = "fen " + rest[0].strip()
        moves = rest[1].split() if len(rest) > 1 else []
    else:
        moves = opening.split()
    if args.chess960 and start != "startpos":
        start = "fen " + arbiter.examine(f"position {start}")[2]
    engines = [white, black]
    for e in engines:
        e.send("ucinewgame")
    if args.pgn:
        result, reason = play_moves(engines, arbiter, start, moves, args, stats)
        write_pgn(args.pgn, arbiter, start, moves, white.name, black.name, result, reason, game_number)
        return result, reason
    return play_moves(engines, arbiter, start, moves, args, stats)


def play_moves(engines, arbiter, start, moves, args, stats):
    """Plays the game on from the opening's moves, which it extends."""
    clock = [args.time, args.time]
    seen = {}
    scores = []

    def position():
        return f"position {start}" + (" moves " + " ".join(moves) if moves else "")

    while True:
        legal, in_check, fen = arbiter.examine(position())
        side = 0 if fen.split()[1] == "w" else 1
        key = " ".join(fen.split()[:4])
        seen[key] = seen.get(key, 0) + 1
        if not legal:
            return (1 - side, "mate") if in_check else (0.5, "stalemate")
        if seen[key] >= 3:
            return (0.5, "threefold repetition")
        if int(fen.split()[4]) >= 100:
            return (0.5, "fifty-move rule")
        if bare_kings(fen):
            return (0.5, "insufficient material")

        e = engines[side]
        e.send(position())
        go = f"go wtime {max(int(clock[0] * 1000), 0)} btime {max(int(clock[1] * 1000), 0)}"
        go += f" winc {int(args.inc * 1000)} binc {int(args.inc * 1000)}"
        if args.moves:
            played = len(moves) // 2
            go += f" movestogo {args.moves - played % args.moves}"
        e.send(go)
        begin = time.time()
        score = None
        best = None
        while True:
            line = e.read_line(clock[side] + 5 - (time.time() - begin))
            if line is None or line == "":
                stats["silent"][e.name] = stats["silent"].get(e.name, 0) + 1
                return (1 - side, f"{e.name} gave no bestmove")
            words = line.split()
            if line.startswith("info") and "score" in words:
                i = words.index("score")
                if words[i + 1] == "cp":
                    score = int(words[i + 2])
                elif words[i + 1] == "mate":
                    m = int(words[i + 2])
                    score = 100000 if m > 0 else -100000
            if words and words[0] == "bestmove":
                best = words[1] if len(words) > 1 else ""
                break
        used = time.time() - begin
        clock[side] -= used
        if clock[side] < 0:
            stats["time"][e.name] = stats["time"].get(e.name, 0) + 1
            return (1 - side, f"{e.name} lost on time ({used * 1000:.0f} ms used)")
        clock[side] += args.inc
        if args.moves and (len(moves) // 2 + 1) % args.moves == 0 and side == 1:
            clock = [c + args.time for c in clock]
        if not MOVE_TEXT.match(best) or best not in legal:
            stats["illegal"][e.name] = stats["illegal"].get(e.name, 0) + 1
            return (1 - side, f"{e.name} played an illegal move '{best}' in {fen}")
        moves.append(best)
        scores.append(score if score is not None else 0)
        if len(scores) >= 8:
            recent = scores[-8:]
            if all(abs(s) <= 5 for s in recent) and len(moves) > 80:
                return (0.5, "adjudicated draw")
            # Scores alternate in point of view: each side's own, newest first.
            mover = recent[-1::-2]
            other = recent[-2::-2]
            if all(s >= 900 for s in mover[:4]) and all(s <= -900 for s in other[:4]):
                return (side, "adjudicated win")
        if len(moves) >= 400:
            return (0.5, "move limit")


def elo(score, games):
    """Elo difference of a score and its 95% error bar."""
    p = min(max(score / games, 1e-3), 1 - 1e-3)
    diff = -400 * math.log10(1 / p - 1)
    sigma = math.sqrt(p * (1 - p) / games)
    per_point = 400 / math.log(10) / (p * (1 - p))
    return diff, 1.96 * sigma * per_point


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("engine1")
    parser.add_argument("engine2")
    parser.add_argument("--openings", type=int, default=None, help="how many openings to play")
    parser.add_argument("--openings-file")
    parser.add_argument("--time", type=float, default=10.0, help="seconds per side (per control)")
    parser.add_argument("--inc", type=float, default=0.1, help="increment per move, seconds")
    parser.add_argument("--moves", type=int, default=0, help="moves per time control (0: sudden death)")
    parser.add_argument("--chess960", action="store_true")
    parser.add_argument("--pgn", help="append every game to this PGN file")
    args = parser.parse_args()
    if args.pgn and args.chess960:
        parser.error("--pgn writes standard castling only, not Chess960's")

    openings = OPENINGS
    if args.openings_file:
        with open(args.openings_file) as f:
            openings = [line.strip() for line in f if line.strip() and not line.startswith("#")]
    openings = openings[: args.openings] if args.openings else openings

    arbiter = Arbiter(args.chess960)
    stats = {"time": {}, "illegal": {}, "silent": {}}
    points = [0.0, 0.0]
    wins = draws = losses = 0
    games = 0
    for opening in openings:
        for swap in (False, True):
            a, b = Engine(args.engine1, args.chess960), Engine(args.engine2, args.chess960)
            white, black = (b, a) if swap else (a, b)
            result, reason = play(white, black, arbiter, opening, args, stats, games + 1)
            if result == 0.5:
                points[0] += 0.5
                points[1] += 0.5
                draws += 1
            else:
                winner = white if result == 0 else black
                points[0 if winner is a else 1] += 1
                if winner is a:
                    wins += 1
                else:
                    losses += 1
            games += 1
            print(f"game {games}: {white.name} - {black.name}: "
                  f"{'1/2' if result == 0.5 else ('1-0' if result == 0 else '0-1')} ({reason})", flush=True)
            a.quit()
            b.quit()
    arbiter.quit()
    diff, error = elo(points[0], games)
    print(f"{args.engine1}: {points[0]} / {games}   {args.engine2}: {points[1]} / {games}")
    print(f"{args.engine1}: +{wins} ={draws} -{losses}, Elo difference {diff:+.0f} +/- {error:.0f}")
    for kind in ("time", "illegal", "silent"):
        for name, count in stats[kind].items():
            print(f"{name}: {count} game(s) lost by {'time' if kind == 'time' else kind + ' move' if kind == 'illegal' else 'no answer'}")


if __name__ == "__main__":
    sys.exit(main())
