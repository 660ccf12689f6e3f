#!/bin/sh
# Fails on any include that reaches above its folder's place in the build:
# a file in FOLDER may include only from the folders listed for it.
# Usage: layering_test.sh SRC_DIR FOLDER=ALLOWED,ALLOWED,... ...
# The lists come from src/CMakeLists.txt (each library's own folders and
# everything below it), so the build and this test draw the same line.
set -eu
src=$1
shift
violations=""

for dir in "$src"/*/; do
  folder=$(basename "$dir")
  reach=""
  for layer in "$@"; do
    case $layer in "$folder="*) reach=${layer#*=} ;; esac
  done
  if [ -z "$reach" ]; then
    violations="$violations$folder/: a folder no library builds; place it in src/CMakeLists.txt
"
    continue
  fi
  # Includes of the form "folder/file.h"; the generated revision header
  # and the system's headers name no folder.
  found=$(cd "$dir" && grep -n '^[[:space:]]*#[[:space:]]*include[[:space:]]*"[^"/]*/' -- *.h *.cpp 2>/dev/null |
    awk -v folder="$folder" -v reach="$reach" '
      BEGIN { n = split(reach, r, ","); for (i = 1; i <= n; ++i) ok[r[i]] = 1 }
      {
        split($0, at, ":"); target = $0
        sub(/^[^"]*"/, "", target); sub(/\/.*/, "", target)
        if (!(target in ok))
          printf "%s/%s:%s: includes %s/, above %s/ (allowed: %s)\n", folder, at[1], at[2], target, folder, reach
      }') || true
  [ -n "$found" ] && violations="$violations$found
"
done

if [ -n "$violations" ]; then
  printf '%s' "$violations"
  exit 1
fi
echo "every include stays within its layer"
