#!/usr/bin/env bash
# Places vireo's UCI_Elo levels on a rated scale: each level plays Debian's
# Stockfish 15.1 limited to the same UCI_Elo (its own calibration, 1350 to 2850),
# one thread each, from the balanced openings in bench/strength_openings.txt,
# each opening twice with colours exchanged. "full" plays the unlimited
# engine against Stockfish's top limited level (2850), "full:ELO" against
# Stockfish at UCI_Elo ELO.
#
# Usage: bench/strength_calibration.sh [LEVEL|full|full:ELO ...]   (default: 1400 1700 2000 2100 full)
# Environment: VIREO (build/vireo), STOCKFISH (/usr/games/stockfish),
#   OPENINGS (how many openings of the file, default all 24: 48 games),
#   TIME and INC (seconds, default 5 and 0.05), JOBS (matches at once, default 2),
#   OVERHEAD (Stockfish's Move Overhead in ms, default 60),
#   LOGS (folder for the games' logs, default a new one under /tmp).
# Prints one table row per level: games, +wins =draws -losses, vireo's score,
# and the Elo difference (vireo minus its opponent) with its 95 % error bar.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
vireo=$(realpath "${VIREO:-$here/build/vireo}")
stockfish=${STOCKFISH:-/usr/games/stockfish}
openings=${OPENINGS:-24}
time=${TIME:-5}
inc=${INC:-0.05}
jobs=${JOBS:-2}
overhead=${OVERHEAD:-60}
logs=${LOGS:-$(mktemp -d /tmp/strength-calibration.XXXXXX)}
mkdir -p "$logs"
levels=("$@")
[ ${#levels[@]} -gt 0 ] || levels=(1400 1700 2000 2100 full)

# The openings, dealt round-robin into one file per job.
grep -v '^#' "$here/bench/strength_openings.txt" | grep . | head -n "$openings" > "$logs/openings.txt"
for ((j = 0; j < jobs; j++)); do awk -v j=$j -v n=$jobs 'NR % n == j' "$logs/openings.txt" > "$logs/openings.$j"; done

echo "time control ${time} s + ${inc} s per move, Stockfish's Move Overhead ${overhead} ms; logs in $logs"
echo "| Level | Games | +W =D -L | Score | Elo difference |"
echo "|---|---:|---:|---:|---:|"
cd "$logs"
for level in "${levels[@]}"; do
  # Stockfish's own Move Overhead (10 ms) lets it run its clock down to a few
  # milliseconds; on the busy machine it then lost one game in ten on time.
  # 300 ms, on the other hand, leaves it about 1 ms a move on this clock,
  # too little to reach the depth its levels are calibrated at.
  common="$vireo::Threads=1::Hash=16::OwnBook=false"
  theirs="$stockfish::Threads=1::Hash=16::Move Overhead=$overhead::UCI_LimitStrength=true"
  if [ "${level%%:*}" = full ]; then
    ours="$common"
    top=${level#full}
    theirs="$theirs::UCI_Elo=${top#:}"
    [ -n "${top#:}" ] || theirs="${theirs}2850"
  else
    ours="$common::UCI_LimitStrength=true::UCI_Elo=$level"
    theirs="$theirs::UCI_Elo=$level"
  fi
  pids=()
  for ((j = 0; j < jobs; j++)); do
    [ -s "openings.$j" ] || continue
    python3 "$here/tools/match.py" "$ours" "$theirs" --time "$time" --inc "$inc" \
      --openings-file "openings.$j" > "match.$level.$j.log" 2>&1 &
    pids+=($!)
  done
  for pid in "${pids[@]}"; do wait "$pid"; done
  cat match."$level".*.log | python3 -c '
import re, sys
sys.path.insert(0, sys.argv[2])
from match import elo
w = d = l = 0
for line in sys.stdin:
    m = re.search(r": \+(\d+) =(\d+) -(\d+), Elo difference", line)
    if m:
        w, d, l = w + int(m[1]), d + int(m[2]), l + int(m[3])
games = w + d + l
if not games:
    sys.exit(f"{sys.argv[1]}: no result (see the match logs)")
score = w + d / 2
diff, error = elo(score, games)
print(f"| {sys.argv[1]} | {games} | +{w} ={d} -{l} | {100 * score / games:.1f} % | {diff:+.0f} +/- {error:.0f} |")
' "$level" "$here/tools"
done
