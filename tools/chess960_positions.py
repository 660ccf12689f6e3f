#!/usr/bin/env python3
"""Chess960 start positions by their standard numbers 0..959 (518 is the
standard start), as FEN or as opening lines for tools/match.py.

Usage: tools/chess960_positions.py [--shredder] [--openings] [NUMBER ...]
       tools/chess960_positions.py [--shredder] [--openings] --random N [--seed S]
Without numbers or --random, all 960 are written. The castling field is X-FEN
(KQkq, every start rook being the outermost on its side), or the rook files
with --shredder (HAha). --openings writes "fen FEN" lines, the form that
tools/match.py --openings-file reads.
"""

import argparse
import random
import sys

# Where the two knights go among the five squares left after bishops and
# queen, by the number's last digit.
KNIGHTS = [(0, 1), (0, 2), (0, 3), (0, 4), (1, 2), (1, 3), (1, 4), (2, 3), (2, 4), (3, 4)]


def back_rank(number):
    """The white pieces from the a-file to the h-file."""
    if not 0 <= number < 960:
        raise ValueError(f"no Chess960 position {number}")
    rank = [None] * 8
    number, light = divmod(number, 4)
    rank[2 * light + 1] = "B"
    number, dark = divmod(number, 4)
    rank[2 * dark] = "B"
    number, queen = divmod(number, 6)
    empty = [f for f in range(8) if rank[f] is None]
    rank[empty[queen]] = "Q"
    empty = [f for f in range(8) if rank[f] is None]
    for i in KNIGHTS[number]:
        rank[empty[i]] = "N"
    # The rooks stand on either side of the king.
    for f, piece in zip([f for f in range(8) if rank[f] is None], "RKR"):
        rank[f] = piece
    return "".join(rank)


def fen(number, shredder=False):
    pieces = back_rank(number)
    if shredder:
        rooks = [f for f, p in enumerate(pieces) if p == "R"]
        castling = "".join(chr(ord("A") + f) for f in reversed(rooks))
        castling += castling.lower()
    else:
        castling = "KQkq"
    return f"{pieces.lower()}/pppppppp/8/8/8/8/PPPPPPPP/{pieces} w {castling} - 0 1"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("numbers", nargs="*", type=int)
    parser.add_argument("--shredder", action="store_true", help="castling as rook files (HAha)")
    parser.add_argument("--openings", action="store_true", help="'fen FEN' lines for match.py")
    parser.add_argument("--random", type=int, metavar="N", help="N distinct numbers at random")
    parser.add_argument("--seed", type=int, default=960)
    args = parser.parse_args()
    numbers = args.numbers
    if args.random:
        numbers = random.Random(args.seed).sample(range(960), args.random)
    elif not numbers:
        numbers = range(960)
    for n in numbers:
        line = fen(n, args.shredder)
        print(f"fen {line}" if args.openings else line)


if __name__ == "__main__":
    sys.exit(main())
