#!/usr/bin/env bash
# Time for one thread to finish depths 10, 12 and 14 from three positions
# (cleared table, book off). Usage: bench/depth_times.sh [path to vireo]
set -euo pipefail
engine=${1:-build/vireo}
positions=(
  "startpos"
  "fen r1bq1rk1/pp2ppbp/2np1np1/8/3NP3/2N1BP2/PPPQ2PP/R3KB1R w KQ - 3 9"
  "fen r4rk1/1pp1qppp/p1np1n2/2b1p1B1/2B1P1b1/P1NP1N2/1PP1QPPP/R4RK1 w - - 0 10"
)
for position in "${positions[@]}"; do
  out=$( (printf 'uci\nsetoption name Threads value 1\nsetoption name OwnBook value false\n'
          printf 'position %s\ngo depth 14\n' "$position"
          sleep 120) | timeout 130 "$engine" | sed '/^bestmove/q')
  line="${position:0:40}"
  for d in 10 12 14; do
    t=$(printf '%s\n' "$out" | grep -E "^info depth $d .* pv " | tail -1 | grep -o ' time [0-9]*' | awk '{print $2}')
    line="$line  d$d=${t:-?}ms"
  done
  echo "$line"
done
