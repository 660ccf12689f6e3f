#!/usr/bin/env bash
# Bench speed of two builds on a shared, noisy machine: runs "PROGRAM bench
# DEPTH" for each program in turn, RUNS times, and prints every run's nodes
# per second and each program's median, wall clock and CPU time alike (the
# CPU-time figure is steadier when other work shares the cores). Both programs
# must report the same node count, or the comparison means nothing.
# Every run is pinned to one core (CORE, default the last one): on a shared
# virtual machine the cores need not run at the same speed, and a run that
# the system moves between them measures that. The order alternates from
# round to round (old new, new old, ...), and each round's two runs give a
# ratio; the median of those ratios follows the medians of the runs.
# Usage: [CORE=N] bench/compare_speed.sh OLD NEW [RUNS [DEPTH]]
set -euo pipefail
old=$1 new=$2 runs=${3:-5} depth=${4:-}
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
pin=()
if command -v taskset >/dev/null; then pin=(taskset -c "${CORE:-$(($(nproc) - 1))}"); fi

median() { sort -n | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

for ((i = 1; i <= runs; i++)); do
  order="old new"
  ((i % 2 == 0)) && order="new old"
  for side in $order; do
    program=${!side}
    line=$( { /usr/bin/time -f "cpu %U" "${pin[@]}" "$program" bench $depth; } 2>&1 | grep -E '^(bench:|cpu )' | tr '\n' ' ')
    nodes=$(awk '{ print $2 }' <<<"$line")
    nps=$(awk '{ print $4 }' <<<"$line")
    cpu=$(awk '{ print $7 }' <<<"$line")
    cpu_nps=$(awk -v n="$nodes" -v c="$cpu" 'BEGIN { printf "%d", n / c }')
    echo "$nodes" >>"$tmp/$side.nodes"
    echo "$nps" >>"$tmp/$side.nps"
    echo "$cpu_nps" >>"$tmp/$side.cpu"
    printf '%-4s run %d: %s nodes, %s nps, %s nps of CPU time\n' "$side" "$i" "$nodes" "$nps" "$cpu_nps"
  done
  awk -v a="$(tail -n 1 "$tmp/old.nps")" -v b="$(tail -n 1 "$tmp/new.nps")" 'BEGIN { print b / a }' >>"$tmp/ratio"
done

if [ "$(sort -u "$tmp/old.nodes" "$tmp/new.nodes" | wc -l)" -ne 1 ]; then
  echo "node counts differ: not the same search" >&2
  exit 1
fi
old_nps=$(median <"$tmp/old.nps") new_nps=$(median <"$tmp/new.nps")
old_cpu=$(median <"$tmp/old.cpu") new_cpu=$(median <"$tmp/new.cpu")
awk -v a="$old_nps" -v b="$new_nps" -v c="$old_cpu" -v d="$new_cpu" 'BEGIN {
  printf "median nps: old %d, new %d, ratio %.3f\n", a, b, b / a
  printf "median nps of CPU time: old %d, new %d, ratio %.3f\n", c, d, d / c }'
printf 'median ratio of the rounds: %.3f\n' "$(median <"$tmp/ratio")"
