#!/usr/bin/env bash
# Perft throughput of the console "perft" command: start position depth 6 and
# 7, Kiwipete depth 5. Usage: bench/perft.sh [path to vireo [launcher]]
# A launcher runs the program, e.g. Wine for a Windows build:
#   bench/perft.sh build-win64/vireo.exe /usr/lib/wine/wine64
set -euo pipefail
engine=${1:-build/vireo}
launcher=${2:-}
printf '%s\n' \
  "perft 6" "perft 7" \
  "fen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -" "perft 5" |
  $launcher "$engine" | grep -o 'perft.*'
