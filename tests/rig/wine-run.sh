#!/usr/bin/env bash
# Runs one Windows program under the private Wine prefix and passes its exit
# code on. with-display.sh provides the display and the prefix.
#
# The program's output goes through a file: a Wine service or desktop that
# the program happens to start lives on after it, and would otherwise hold
# the caller's output pipe open long after the program ended.
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$(cd "$here/../.." && pwd)/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
out=$(mktemp -p "$(dirname "$WINEPREFIX")" wine-run.XXXXXX)
/usr/lib/wine/wine64 "$@" >"$out" 2>&1
status=$?
cat "$out"
rm -f "$out"
exit $status
