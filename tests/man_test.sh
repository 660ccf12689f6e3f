#!/bin/sh
# The manual pages render without a single warning, as groff with every
# warning on and man -l see them. Without groff there is nothing to check:
# the test is skipped (status 77).
# Usage: man_test.sh PAGE...
set -u
command -v groff >/dev/null || { echo "groff is not installed (apt-get install groff-base)"; exit 77; }
status=0
for page in "$@"; do
  warnings=$(groff -ww -man -z "$page" 2>&1) || status=1
  if command -v man >/dev/null; then
    warnings=$warnings$(MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
  fi
  if [ -n "$warnings" ]; then
    printf '%s:\n%s\n' "$page" "$warnings"
    status=1
  fi
done
exit $status
