#!/usr/bin/env bash
# What a GUI meets when it resizes the hash table: the milliseconds until
# "readyok" after "setoption name Hash value N", the nodes of a 1-second
# search started right after that "readyok" (the search that pays for
# pages the system has not backed yet), and the milliseconds until
# "readyok" after clearing the table. Each size runs in a fresh engine
# (whose table starts at 32 MB), as a GUI's first "setoption name Hash" does,
# in a directory of its own (after "uci" it writes its error log there).
# Usage: bench/hash_resize.sh [path to vireo [sizes in MB...]]
set -euo pipefail
engine=$(realpath "${1:-build/vireo}")
shift || true
workdir=$(mktemp -d)
trap 'rm -rf "$workdir"' EXIT
cd "$workdir"
sizes=("$@")
[ ${#sizes[@]} -gt 0 ] || sizes=(1 16 32 64 128 256 512 1024 2048 4096)

now_ms() { echo $(( $(date +%s%N) / 1000000 )); }

# Sends the commands and then "isready"; prints the milliseconds to "readyok".
timed() {
  local start line
  start=$(now_ms)
  printf '%s\nisready\n' "$1" >&"${VIREO[1]}"
  while read -r line <&"${VIREO[0]}"; do
    [ "$line" = readyok ] && break
  done
  echo $(( $(now_ms) - start ))
}

# Runs a search; prints the node count of its last report.
search_nodes() {
  local line nodes=0
  printf 'position startpos\ngo movetime 1000\n' >&"${VIREO[1]}"
  while read -r line <&"${VIREO[0]}"; do
    case $line in
      bestmove*) break ;;
      *" nodes "*) nodes=${line#* nodes }; nodes=${nodes%% *} ;;
    esac
  done
  echo "$nodes"
}

printf '%6s %10s %14s %10s\n' MB resize_ms search_nodes clear_ms
for mb in "${sizes[@]}"; do
  coproc VIREO { "$engine"; }
  printf 'uci\nsetoption name OwnBook value false\n' >&"${VIREO[1]}"
  while read -r line <&"${VIREO[0]}"; do [ "$line" = uciok ] && break; done
  resize=$(timed "setoption name Hash value $mb")
  nodes=$(search_nodes)
  clear=$(timed "setoption name Clear Hash")
  printf 'quit\n' >&"${VIREO[1]}"
  wait "$VIREO_PID" 2>/dev/null || true
  printf '%6s %10s %14s %10s\n' "$mb" "$resize" "$nodes" "$clear"
done
