#!/usr/bin/env bash
# Creates the private 32-bit Wine prefix once; later runs reuse it.
set -euo pipefail
: "${WINEPREFIX:?}"
export WINEARCH=win32
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  echo "wine-prefix: creating $WINEPREFIX"
  wineboot -i >/dev/null 2>&1
  wineserver -w
fi
