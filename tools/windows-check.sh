#!/usr/bin/env bash
# Cross-builds the Windows programs (x86-64 with POPCNT, and x86) with
# Debian's mingw-w64 compilers and runs each under Wine: the banner, perft
# counts, the bench node count (which must equal the Linux build's: the
# one-thread search is deterministic) and a short UCI session that must end
# in a legal bestmove. Installs what it needs from Debian packages (as root).
# Exits non-zero on any failure. Where 32-bit Wine cannot run (a kernel
# without 32-bit support), the x86 program is still built and the script says
# that it was not run.
#
# Usage: tools/windows-check.sh        (JOBS=n sets the build parallelism)
set -uo pipefail
cd "$(dirname "$0")/.."

jobs=${JOBS:-2}
failures=0
work=$PWD/build-wine
mkdir -p "$work"

say() { printf '== %s\n' "$*"; }
fail() {
  printf 'FAIL: %s\n' "$*"
  failures=$((failures + 1))
}

apt_install() {
  export DEBIAN_FRONTEND=noninteractive
  if [ -z "${apt_updated:-}" ]; then
    apt-get update -qq && apt_updated=1
  fi
  apt-get install -y -qq "$@" >"$work/apt.log" 2>&1 || {
    tail -5 "$work/apt.log"
    return 1
  }
}

# --- Packages --------------------------------------------------------------

need=()
command -v cmake >/dev/null || need+=(cmake)
command -v g++ >/dev/null || need+=(g++)
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix)
command -v i686-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-i686-posix)
[ -x /usr/lib/wine/wine64 ] || need+=(wine wine64)
if [ ${#need[@]} -gt 0 ]; then
  say "installing ${need[*]}"
  apt_install "${need[@]}" || { echo "FAIL: cannot install ${need[*]}"; exit 1; }
fi

# 32-bit Wine needs the i386 architecture and a kernel that runs 32-bit
# programs. The i386 loader is tried before wine32 is installed: where it
# cannot run, wine32 would only break Debian's "wine" command.
wine32_usable() { /usr/lib/wine/wine --version >/dev/null 2>&1; }
wine32_reason=""
if ! wine32_usable; then
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    say "adding the i386 architecture"
    dpkg --add-architecture i386 && apt_updated=""
  fi
  if [ ! -e /lib/ld-linux.so.2 ]; then
    apt_install libc6:i386 || wine32_reason="the i386 C library cannot be installed"
  fi
  if [ -z "$wine32_reason" ] && ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
    wine32_reason="this kernel does not run 32-bit Linux programs"
  fi
  if [ -z "$wine32_reason" ]; then
    say "installing wine32"
    apt_install wine32:i386 || wine32_reason="wine32:i386 cannot be installed"
  fi
  if [ -z "$wine32_reason" ] && ! wine32_usable; then
    wine32_reason="the installed 32-bit Wine does not start"
  fi
fi

# --- Builds ----------------------------------------------------------------

build() {
  local preset=$1
  say "building $preset"
  cmake --preset "$preset" >"$work/$preset-configure.log" 2>&1 &&
    cmake --build --preset "$preset" -j"$jobs" >"$work/$preset-build.log" 2>&1 || {
    tail -20 "$work/$preset-build.log" "$work/$preset-configure.log" 2>/dev/null
    fail "$preset does not build"
    return 1
  }
  if grep -q 'warning:' "$work/$preset-build.log"; then
    grep 'warning:' "$work/$preset-build.log"
    fail "$preset builds with warnings"
  fi
}

say "building the Linux program (the reference bench count)"
if cmake -S . -B build >"$work/linux-configure.log" 2>&1 &&
  cmake --build build --target vireo -j"$jobs" >"$work/linux-build.log" 2>&1; then
  reference_bench=$(printf 'bench\n' | ./build/vireo | grep -o 'bench: [0-9]* nodes' | grep -o '[0-9]*')
  say "Linux bench: $reference_bench nodes"
else
  tail -20 "$work/linux-build.log"
  fail "the Linux program does not build"
  reference_bench=""
fi

built64=0 built32=0
build windows-x64 && built64=1
build windows-x86 && built32=1

# The programs must need nothing beyond what Windows ships.
check_imports() {
  local objdump=$1 exe=$2 dll
  for dll in $("$objdump" -p "$exe" | sed -n 's/^\s*DLL Name: //p'); do
    case "${dll,,}" in
    kernel32.dll | msvcrt.dll | user32.dll | advapi32.dll) ;;
    *) fail "$exe needs $dll" ;;
    esac
  done
}
[ $built64 = 1 ] && check_imports x86_64-w64-mingw32-objdump build-win64/vireo.exe
[ $built32 = 1 ] && check_imports i686-w64-mingw32-objdump build-win32/vireo.exe

# --- Runs under Wine -------------------------------------------------------

# Legal replies to 1.e4.
legal_after_e4=" a7a6 a7a5 b7b6 b7b5 c7c6 c7c5 d7d6 d7d5 e7e6 e7e5 f7f6 f7f5 g7g6 g7g5 h7h6 h7h5 b8a6 b8c6 g8f6 g8h6 "

# Runs the engine under Wine with the given input; its standard output,
# carriage returns removed, goes to the named file, standard error beside it;
# returns the exit status.
run_engine() {
  local input=$1 out=$2
  printf '%s' "$input" | (cd "$rundir" && timeout 600 "$loader" "$exe") 2>"$out.stderr" |
    tr -d '\r' >"$out"
  return "${PIPESTATUS[1]}"
}

# Sends a UCI session the way a Windows GUI does (CRLF line ends), waits for
# "bestmove" and only then says "quit", so that the search is not cut short.
uci_session() {
  local out=$1 line
  : >"$out"
  coproc ENGINE { cd "$rundir" && "$loader" "$exe" 2>"$out.stderr"; }
  local pid=$ENGINE_PID to=${ENGINE[1]} from=${ENGINE[0]}
  printf 'uci\r\nisready\r\nposition startpos moves e2e4\r\ngo depth 8\r\n' >&"$to"
  while IFS= read -r -t 60 line <&"$from"; do
    line=${line%$'\r'}
    printf '%s\n' "$line" >>"$out"
    [[ $line == bestmove* ]] && break
  done
  printf 'quit\r\n' >&"$to"
  timeout 60 tail --pid="$pid" -f /dev/null || kill "$pid" 2>/dev/null
  wait "$pid"
}

check_build() {
  local name=$1
  local dir=$work/$name
  # The engine's own files (the error log of UCI mode) land there too.
  rundir=$dir
  mkdir -p "$dir"
  say "$name under Wine"

  if ! run_engine $'perft 5\nfen r3k2r/p1ppqpb1/bn2pnp1/3PN3/1p2P3/2N2Q1p/PPPBBPPP/R3K2R w KQkq -\nperft 4\n' \
    "$dir/perft.txt"; then
    fail "$name: the perft run did not exit with 0"
  fi
  head -1 "$dir/perft.txt" | grep -qx 'vireo-1.0' || fail "$name: no banner"
  grep -qx 'initialized' "$dir/perft.txt" || fail "$name: start-up did not finish"
  grep -q 'perft 5  *4865609 ops' "$dir/perft.txt" || fail "$name: perft 5 of the start position is not 4865609"
  grep -q 'perft 4  *4085603 ops' "$dir/perft.txt" || fail "$name: perft 4 of Kiwipete is not 4085603"
  grep -o 'perft.*' "$dir/perft.txt"

  uci_session "$dir/uci.txt"
  local status=$?
  [ $status = 0 ] || fail "$name: quit ended the UCI session with status $status"
  grep -qx 'uciok' "$dir/uci.txt" || fail "$name: no uciok"
  grep -qx 'readyok' "$dir/uci.txt" || fail "$name: no readyok"
  local best
  best=$(sed -n 's/^bestmove \([a-h][1-8][a-h][1-8][qrbn]\{0,1\}\).*/\1/p' "$dir/uci.txt")
  if [ -z "$best" ]; then
    fail "$name: no bestmove"
  elif [[ $legal_after_e4 != *" $best "* ]]; then
    fail "$name: bestmove $best is not legal after 1.e4"
  else
    say "$name: bestmove $best"
  fi

  run_engine $'bench\n' "$dir/bench.txt" || fail "$name: the bench run did not exit with 0"
  local nodes
  nodes=$(grep -o 'bench: [0-9]* nodes' "$dir/bench.txt" | grep -o '[0-9]*')
  say "$name bench: ${nodes:-none} nodes"
  if [ -z "$nodes" ]; then
    fail "$name: no bench result"
  elif [ -n "$reference_bench" ] && [ "$nodes" != "$reference_bench" ]; then
    fail "$name: bench counts $nodes nodes, the Linux build $reference_bench"
  fi
}

# A Wine prefix of its own per target, made before the first run so that
# Wine's set-up messages stay out of the engine's output.
with_prefix() {
  local name=$1 server=$2
  export WINELOADER=$loader WINEPREFIX=$work/prefix-$name
  "$loader" wineboot --init >"$work/$name-wineboot.log" 2>&1
  "$server" -w
  check_build "$name"
  "$server" -k 2>/dev/null
}

trap '' PIPE
export WINEDEBUG=-all
if [ $built64 = 1 ]; then
  loader=/usr/lib/wine/wine64 exe=$PWD/build-win64/vireo.exe
  with_prefix windows-x64 /usr/lib/wine/wineserver64
fi
if [ -n "$wine32_reason" ]; then
  say "NOT RUN: the Windows x86 program was built but not run under Wine: $wine32_reason"
elif [ $built32 = 1 ]; then
  loader=/usr/lib/wine/wine exe=$PWD/build-win32/vireo.exe
  WINEARCH=win32 with_prefix windows-x86 /usr/lib/wine/wineserver32
fi

if [ $failures -gt 0 ]; then
  say "$failures check(s) failed"
  exit 1
fi
say "all checks passed${wine32_reason:+ (the x86 program was not run)}"
