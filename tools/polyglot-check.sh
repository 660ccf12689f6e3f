#!/usr/bin/env bash
# Drives vireo through PolyGlot (Debian package "polyglot") as an xboard GUI
# would: a short game in which vireo plays both sides, with pondering on,
# ponder hits and misses, "move now", analysis mode and quit. Not part of CI.
#
#   tools/polyglot-check.sh [path/to/vireo] [plies]
set -euo pipefail

engine=$(realpath "${1:-build/vireo}")
plies=${2:-24}
polyglot=$(command -v polyglot || echo /usr/games/polyglot)
[ -x "$polyglot" ] || { echo "polyglot not found (apt-get install polyglot)"; exit 2; }
[ -x "$engine" ] || { echo "engine not found: $engine"; exit 2; }

work=$(mktemp -d /tmp/vireo-polyglot-XXXXXX)
trap 'rm -rf "$work"' EXIT
cat >"$work/polyglot.ini" <<INI
[PolyGlot]
EngineCommand = $engine
EngineDir = $work
Log = true
LogFile = $work/polyglot.log
[Engine]
Hash = 16
INI

coproc PG { "$polyglot" "$work/polyglot.ini" 2>&1; }
exec 3>&"${PG[1]}" 4<&"${PG[0]}"

say() { echo ">> $*"; echo "$*" >&3; }
# Reads PolyGlot's output until a line matches; prints the match in $line.
expect() {
  local pattern=$1 timeout=${2:-30}
  local deadline=$((SECONDS + timeout))
  while ((SECONDS < deadline)); do
    if IFS= read -r -t 1 line <&4; then
      line=${line%$'\r'}
      case $line in
        $pattern) echo "<< $line"; return 0 ;;
        *Illegal*|*illegal*|*Error*|*error*) echo "<< $line"; echo "FAIL: $line"; exit 1 ;;
      esac
    fi
  done
  echo "FAIL: no '$pattern' within ${timeout}s"
  exit 1
}

say xboard
say protover 2
expect 'feature done=1'
say new
say post
say hard
say level 0 1 1
# Both clocks at 20 seconds (in centiseconds) before every move.
clocks() { say time 2000; say otim 2000; }
clocks
say usermove e2e4
expect 'move *'

for ((ply = 2; ply < plies; ++ply)); do
  clocks
  if ((ply % 3 == 0)); then
    # Ponder miss: the engine pondered on its guess; "go" makes it play
    # the side to move instead, stopping the ponder search.
    say go
  else
    # Ponder hit: play the move the engine expects.
    say hint
    expect 'Hint: *' 10
    say "usermove ${line#Hint: }"
  fi
  expect 'move *' 60
done

# "Move now" in the middle of a long search.
say easy
say st 60
say go
sleep 1
say '?'
expect 'move *' 10

# Analysis: an infinite search, left again.
say analyze
sleep 1
say exit
say ping 7
expect 'pong 7' 10

say quit
wait "$PG_PID" || true

if grep -qiE 'illegal|invalid' "$work/polyglot.log"; then
  grep -iE 'illegal|invalid' "$work/polyglot.log"
  echo "FAIL: see the log"
  exit 1
fi
echo "engine error log:"
cat "$work"/vireo-*-error.log 2>/dev/null || true
echo "PolyGlot commands to the engine:"
grep -c 'Adapter->Engine' "$work/polyglot.log"
grep -E 'Adapter->Engine: (go|stop|ponderhit)' "$work/polyglot.log" | sed 's/^[0-9.]* //' | sort | uniq -c | sort -rn | head
searches=$(grep -c 'Adapter->Engine: go ' "$work/polyglot.log")
answers=$(grep -c 'Engine->Adapter: bestmove' "$work/polyglot.log")
echo "searches: $searches, bestmove lines: $answers"
[ "$searches" = "$answers" ] || { echo "FAIL: one bestmove per search expected"; exit 1; }
echo OK
