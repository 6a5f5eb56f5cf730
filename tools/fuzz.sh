#!/usr/bin/env bash
# Runs every fuzz target for a while, seeded by the committed corpus; new
# inputs go to a scratch corpus under the build folder.
set -euo pipefail
dir=$1; seconds=$2
for bin in "$dir"/fuzz_*; do
  name=$(basename "$bin")
  scratch="$dir/corpus-$name"; mkdir -p "$scratch"
  echo "== $name for ${seconds}s"
  "$bin" -max_total_time="$seconds" -max_len=9000 "$scratch" "tests/fuzz/corpus/$name"
done
