#!/usr/bin/env bash
# Runs the end-to-end suites against the 32-bit launcher with 32-bit
# stand-ins, after one try to start a small 32-bit program. Where that try
# fails, the machine cannot run 32-bit code: one line says so, and the
# suite counts as skipped (77), never as failed.
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build32=$1; shift
if ! "$here/wine-run.sh" "$build32/java_standin.exe" 2>&1 </dev/null | grep -q 'java version'; then
  echo "32-bit suite skipped: this machine cannot run 32-bit Windows programs under Wine"
  exit 77
fi
status=0
for exe in "$@"; do
  echo "== $(basename "$exe") against dist/tarvo.exe"
  "$here/wine-run.sh" "$exe" --gtest_brief=1 || status=1
done
exit $status
