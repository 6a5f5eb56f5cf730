#!/usr/bin/env bash
# Runs one Windows program under the private Wine prefix and passes its exit
# code on. with-display.sh provides the display and the prefix.
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$(cd "$here/../.." && pwd)/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
exec /usr/lib/wine/wine64 "$@"
