#!/usr/bin/env bash
# The main job, shown as a user sees it: the launcher template with the
# example configuration, started under Wine through the user's-eye harness.
set -euo pipefail
B=${1:-build}
demo="$(pwd)/$B/demo"
rm -rf "$demo"; mkdir -p "$demo/Orvan Desk"
cp "$B/win64/tarvo.exe" "$demo/Orvan Desk/orvan.exe"
winpath() { echo "Z:${1//\//\\}"; }
export DEMO_LINE="\"$(winpath "$demo/Orvan Desk/orvan.exe")\" data.txt"
echo "== The product: $(tests/rig/check-product.sh dist/tarvo.exe)"
echo "== Starting Orvan Desk on this machine: $DEMO_LINE"
tests/rig/with-display.sh tests/rig/wine-run.sh "$B/win64/tarvo-watch.exe" --read 1500 --line-from DEMO_LINE
echo "== error.log beside the launcher: $(stat -c %s "$demo/Orvan Desk/error.log") bytes"
