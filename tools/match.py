#!/usr/bin/env python3
"""A small match runner for two UCI engines, for strength and stability checks.

Plays each opening twice with colours exchanged, on a real clock, and checks
that every "bestmove" arrives in time. Games end on a "bestmove 0000" (mate
or stalemate: decided by the mover's last score), by adjudication on
agreeing scores, or at a move limit.

Usage: tools/match.py ENGINE1 ENGINE2 [--games-per-opening 2] [--time 10] [--inc 0.1]
An engine is a command line; UCI options can follow after '::', e.g.
  "build/vireo::Threads=1" "/usr/games/stockfish::Skill Level=3::Threads=1"
"""

import argparse
import os
import select
import subprocess
import sys
import time

OPENINGS = [
    "", "e2e4 e7e5", "e2e4 c7c5", "d2d4 d7d5", "d2d4 g8f6 c2c4 e7e6", "c2c4 e7e5",
    "e2e4 e7e6 d2d4 d7d5", "e2e4 c7c6 d2d4 d7d5", "g1f3 d7d5 g2g3", "e2e4 e7e5 g1f3 b8c6 f1b5 a7a6",
]


class Engine:
    def __init__(self, description):
        parts = description.split("::")
        self.name = parts[0]
        self.proc = subprocess.Popen(parts[0].split(), stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                     stderr=subprocess.DEVNULL, text=True, bufsize=1)
        self.pending = b""
        self.send("uci")
        self.wait_for("uciok", 10)
        for option in parts[1:]:
            name, value = option.split("=", 1)
            self.send(f"setoption name {name} value {value}")
        self.send("isready")
        self.wait_for("readyok", 10)

    def send(self, line):
        self.proc.stdin.write(line + "\n")
        self.proc.stdin.flush()

    def read_line(self, timeout):
        # Reads the pipe directly: a buffered reader would hide lines from select.
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
        return line.decode(errors="replace") + "\n"

    def wait_for(self, prefix, timeout):
        deadline = time.time() + timeout
        while True:
            line = self.read_line(deadline - time.time())
            if line is None or line == "":
                raise RuntimeError(f"{self.name}: no '{prefix}'")
            if line.startswith(prefix):
                return line

    def quit(self):
        try:
            self.send("quit")
            self.proc.wait(5)
        except Exception:
            self.proc.kill()


def play(white, black, opening, base, inc):
    moves = opening.split()
    clock = [base, base]
    engines = [white, black]
    scores = []
    for e in engines:
        e.send("ucinewgame")
    while True:
        side = len(moves) % 2
        e = engines[side]
        e.send("position startpos" + (" moves " + " ".join(moves) if moves else ""))
        e.send(f"go wtime {int(clock[0]*1000)} btime {int(clock[1]*1000)} "
               f"winc {int(inc*1000)} binc {int(inc*1000)}")
        start = time.time()
        score = None
        while True:
            line = e.read_line(clock[side] + 5 - (time.time() - start))
            if line is None or line == "":
                return (1 - side, f"{e.name} gave no bestmove in time")
            if line.startswith("info") and " score " in line:
                words = line.split()
                i = words.index("score")
                if words[i + 1] == "cp":
                    score = int(words[i + 2])
                elif words[i + 1] == "mate":
                    m = int(words[i + 2])
                    score = 100000 if m > 0 else -100000
            if line.startswith("bestmove"):
                best = line.split()[1]
                break
        used = time.time() - start
        clock[side] -= used
        if clock[side] < 0:
            return (1 - side, f"{e.name} lost on time")
        clock[side] += inc
        if best in ("0000", "(none)"):
            # No move: mated when the opponent's last score said so.
            last = scores[-1] if scores else 0
            return (1 - side, "mate") if last >= 100000 else (0.5, "stalemate or no move")
        moves.append(best.lower())
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
        if len(moves) >= 300:
            return (0.5, "move limit")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("engine1")
    parser.add_argument("engine2")
    parser.add_argument("--openings", type=int, default=len(OPENINGS))
    parser.add_argument("--time", type=float, default=10.0)
    parser.add_argument("--inc", type=float, default=0.1)
    args = parser.parse_args()
    points = [0.0, 0.0]
    games = 0
    for opening in OPENINGS[: args.openings]:
        for swap in (False, True):
            a, b = Engine(args.engine1), Engine(args.engine2)
            white, black = (b, a) if swap else (a, b)
            result, reason = play(white, black, opening, args.time, args.inc)
            if result == 0.5:
                points[0] += 0.5
                points[1] += 0.5
            else:
                winner = white if result == 0 else black
                points[0 if winner is a else 1] += 1
            games += 1
            print(f"game {games}: {white.name} - {black.name}: "
                  f"{'1/2' if result == 0.5 else ('1-0' if result == 0 else '0-1')} ({reason})", flush=True)
            a.quit()
            b.quit()
    print(f"{args.engine1}: {points[0]} / {games}   {args.engine2}: {points[1]} / {games}")


if __name__ == "__main__":
    sys.exit(main())
