#!/usr/bin/env bash
# Chess960 perft: the console's "perft" with UCI_Chess960 on, over positions
# of the published Chess960 perft suite, checked against its counts at depth
# 5 or 6 (default 6, about 10 billion leaves). Prints each count with its
# speed and fails on a wrong count.
# Usage: bench/perft960.sh [path to vireo [depth]]
set -euo pipefail
engine=${1:-build/vireo}
depth=${2:-6}
case $depth in 5 | 6) ;; *) echo "depth must be 5 or 6" >&2; exit 2 ;; esac

# FEN (Shredder castling letters, as the suite writes them), depth-5 count,
# depth-6 count.
positions=(
  "bqnb1rkr/pp3ppp/3ppn2/2p5/5P2/P2P4/NPP1P1PP/BQ1BNRKR w HFhf - 2 9|8146062|227689589"
  "2nnrbkr/p1qppppp/8/1ppb4/6PP/3PP3/PPP2P2/BQNNRBKR w HEhe - 1 9|16253601|590751109"
  "b1q1rrkb/pppppppp/3nn3/8/P7/1PPP4/4PPPP/BQNNRKRB w GE - 1 9|6417013|177654692"
  "qbbnnrkr/2pp2pp/p7/1p2pp2/8/P3PP2/1PPP1KPP/QBBNNR1R w hf - 0 9|9183776|274103539"
  "nnr1kqbr/pp1pp1p1/2p5/b4p1p/P7/1PNP4/2P1PPPP/N1RBKQBR w HChc - 1 9|4266410|149176979"
  "bnnbrkr1/ppp2p1p/5q2/3pp1p1/4P3/1N4P1/PPPPRP1P/BN1B1KRQ w Gge - 0 9|28286576|1042120495"
  "nnrkbbrq/1pp2p1p/p2pp1p1/2P5/8/8/PP1PPPPP/NNRKBBRQ w Ggc - 0 9|16838099|555230555"
  "nnrkrbbq/pppp2pp/8/4pp2/4P3/P7/1PPPBPPP/NNKRR1BQ w c - 0 9|16473376|532214177"
  "n1rk1qbb/pppprpp1/2n4p/4p3/2PP3P/8/PP2PPP1/NNRKRQBB w ECc - 1 9|11420973|321855685"
  "bnqbnr1r/p1p1ppkp/3p4/1p4p1/P7/3NP2P/1PPP1PP1/BNQB1RKR w HF - 0 9|23701014|809194268"
  "nb1r1nkr/ppp1ppp1/2bp4/7p/3P2qP/P6R/1PP1PPP1/NBQRBNK1 w Dhd - 1 9|88557078|3589649998"
  "qnr1bkrb/pppp2pp/3np3/5p2/8/P2P2P1/NPP1PP1P/QN1RBKRB w GDg - 3 9|23114629|646390782"
  "bnnqrbkr/pp1p2p1/2p1p2p/5p2/1P5P/1R6/P1PPPPP1/BNNQRBK1 w Ehe - 0 9|32898113|1047360456"
  "nnrqbkrb/pppp1pp1/7p/4p3/6P1/2N2B2/PPPPPP1P/NR1QBKR1 w Ggc - 2 9|14233587|373744834"
)

input="setoption name UCI_Chess960 value true"$'\n'
for p in "${positions[@]}"; do input+="fen ${p%%|*}"$'\n'"perft $depth"$'\n'; done
mapfile -t results < <(printf '%s' "$input" | "$engine" | grep -o "perft $depth .*")

failed=0
for i in "${!positions[@]}"; do
  IFS='|' read -r fen d5 d6 <<<"${positions[$i]}"
  expected=$([ "$depth" = 5 ] && echo "$d5" || echo "$d6")
  line=${results[$i]:-}
  got=$(awk '{print $3}' <<<"$line")
  if [ "$got" = "$expected" ]; then
    echo "ok    $line  $fen"
  else
    echo "WRONG $line (expected $expected)  $fen"
    failed=1
  fi
done
exit $failed
