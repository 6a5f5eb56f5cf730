#!/usr/bin/env bash
# Runs the layer check, the three layers of tests (native units, fuzz
# replays, Wine, and the ARM64 launcher's smoke suite under an emulated ARM64
# Wine) and the application library's own tests.
set -uo pipefail
B=${1:-build}
status=0
run() { echo "== $1"; shift; "$@" || status=1; }
run "layers" tools/check-layers.sh
run "reference (docs/reference.md from res/config_table.inc)" python3 tools/reference.py --check
run "native unit tests" ctest --test-dir "$B/native" --output-on-failure
run "application library (JUnit 5)" tools/java.sh "$B" test
run "fuzz corpus replay" ctest --test-dir "$B/fuzz" --output-on-failure
# A real HotSpot for its suite, fetched once into a cache of its own; where
# it cannot be had, one line says why and the suite skips.
tools/hotspot.sh "$B"
run "Wine tests" tests/rig/with-display.sh ctest --test-dir "$B/win64" --output-on-failure -j 2
# An exit of 77 is a machine (or a user other than root) that cannot run
# arm64 code: the suite has said so in one line, and the rest stands.
arm64() { tests/e2e/arm64-smoke.sh . "$B"; local s=$?; [ $s -eq 77 ] || return $s; }
run "ARM64 smoke suite (Wine on qemu)" arm64
# ctest keeps a skipped test's words to itself; this one the reader must see.
grep -h "32-bit suite skipped" "$B/win64/Testing/Temporary/LastTest.log" 2>/dev/null
grep -h -m1 "real-VM suite skipped" "$B/win64/Testing/Temporary/LastTest.log" 2>/dev/null
cat "$B/hotspot/skipped" 2>/dev/null
exit $status
