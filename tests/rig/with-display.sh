#!/usr/bin/env bash
# Runs a command with a private Xvfb display and a private Wine prefix, and
# stops both afterwards. Nothing touches ~/.wine.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
export WINEPREFIX=${WINEPREFIX:-$(cd "$here/../.." && pwd)/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# One run at a time per prefix: a second run would share the first one's
# Wine server and stop it under the first one's feet when it ends. Nothing
# started here keeps the lock (9>&-), so it ends with this script.
mkdir -p "$(dirname "$WINEPREFIX")"
exec 9>"$WINEPREFIX.lock"
flock 9

display=
for n in $(seq 90 140); do
  if [ ! -e "/tmp/.X11-unix/X$n" ] && [ ! -e "/tmp/.X$n-lock" ]; then display=$n; break; fi
done
[ -n "$display" ] || { echo "with-display: no free display" >&2; exit 1; }
Xvfb ":$display" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 9>&- &
xvfb=$!
for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$display" ] && break; sleep 0.1; done
export DISPLAY=":$display"

"$here/wine-prefix.sh" 9>&-
# One server for the whole run, so that tests never race to start one.
/usr/lib/wine/wineserver -p 9>&-
# The desktop and services start once, here, with no output of ours: started
# by a test, they would hold its output pipe open long after it ended.
/usr/lib/wine/wine64 wineboot </dev/null >/dev/null 2>&1 9>&-
# Wine would close the desktop between two tests and start it anew inside
# the next one, holding that test's output open; the keeper holds it.
keeper="$here/../../build/win64/gui_keeper.exe"
[ -f "$keeper" ] && /usr/lib/wine/wine64 "$keeper" </dev/null >/dev/null 2>&1 9>&- &
"$@" 9>&-
status=$?
/usr/lib/wine/wineserver -k >/dev/null 2>&1
/usr/lib/wine/wineserver -w >/dev/null 2>&1
kill "$xvfb" 2>/dev/null
wait "$xvfb" 2>/dev/null
exit $status
