#!/usr/bin/env bash
# Creates the private Wine prefix once; later runs reuse it. A prefix made
# before the 32-bit Wine was installed cannot run 32-bit programs, so it is
# made anew once that Wine is there.
set -euo pipefail
: "${WINEPREFIX:?}"
if [ -f "$WINEPREFIX/system.reg" ] && [ -x /usr/lib/wine/wine ] &&
   [ ! -f "$WINEPREFIX/drive_c/windows/syswow64/kernel32.dll" ]; then
  echo "wine-prefix: making $WINEPREFIX anew for 32-bit programs"
  rm -rf "$WINEPREFIX"
fi
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  echo "wine-prefix: creating $WINEPREFIX"
  /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
  /usr/lib/wine/wineserver -w
fi
