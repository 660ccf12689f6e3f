#!/bin/sh
# Installs the build into a fresh prefix: exactly the programs, their manual
# pages, the README and the licence arrive (and the engine's libraries in a
# build with shared ones), and the installed engine starts and answers "uci".
# Usage: install_test.sh CMAKE BUILD_DIR BINDIR MANDIR DOCDIR [CONFIG [LIB:LIB...]]
set -eu
cmake=$1 build=$2 bindir=$3 mandir=$4 docdir=$5 config=${6:-} libraries=${7:-}

prefix=$(mktemp -d /tmp/vireo-install-XXXXXX)
work=$(mktemp -d /tmp/vireo-run-XXXXXX)
trap 'rm -rf "$prefix" "$work"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

"$cmake" --install "$build" --prefix "$prefix" ${config:+--config "$config"} >/dev/null

expected=$( { printf '%s\n' "$bindir/vireo" "$bindir/vireo-book" "$mandir/man6/vireo-book.6" \
  "$mandir/man6/vireo.6" "$docdir/LICENSE" "$docdir/README.md"
  [ -z "$libraries" ] || printf '%s\n' "$libraries" | tr ':' '\n'; } | LC_ALL=C sort)
installed=$(cd "$prefix" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)
[ "$installed" = "$expected" ] || fail "installed files differ from the list:
$installed
expected:
$expected"
for program in vireo vireo-book; do
  [ -x "$prefix/$bindir/$program" ] || fail "$program is not executable"
done

# From an empty working directory, as a GUI would start it.
reply=$(cd "$work" && printf 'uci\nquit\n' | timeout 60 "$prefix/$bindir/vireo")
printf '%s\n' "$reply" | grep -qx 'id name vireo-1.0' || fail "no id line: $reply"
printf '%s\n' "$reply" | grep -qx 'uciok' || fail "no uciok: $reply"
"$prefix/$bindir/vireo-book" --help >/dev/null || fail "vireo-book --help"
echo "installed and answering: $(printf '%s\n' "$installed" | tr '\n' ' ')"
