#!/usr/bin/env bash
# make bench: each cost of the launcher against its floor, alternated in one
# run, the median of the rounds. Prints one table and writes build/bench.json
# with every round's figures.
set -euo pipefail
B=${1:-build}
src=$(pwd)
work=$B/bench
rm -rf "$work" && mkdir -p "$work"
ms() { echo $(( ($(date +%s%N) - $1) / 1000000 )); }
median() { tr ' ' '\n' | sort -n | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }

echo "| row | figure |"
echo "|---|---|"
# Each product is guarded at 136 KB: a launcher that grows past it has taken
# in something it should not carry.
sizes="" sizes_json=""
for product in tarvo.exe tarvo64.exe tarvo-arm64.exe; do
  size=$(stat -c %s "dist/$product")
  sizes="$sizes${sizes:+, }dist/$product $size bytes"
  sizes_json="$sizes_json${sizes_json:+, }\"$product\": $size"
  [ "$size" -le 139264 ] || sizes="$sizes (over the 139264 guard)"
done
printf "| %-34s | %s |\n" size "$sizes"

# The builder for 200 MB of included files against a plain copy of them.
for i in 0 1 2 3; do head -c 52428800 /dev/urandom > "$work/part$i.jar"; done
sed -e 's/^arch = "x86"/arch = "x64"/' -e '/^200[23] = /d' examples/orvan-desk.toml > "$work/p.toml"
printf 'include = ["part0.jar", "part1.jar", "part2.jar", "part3.jar"]\n' | cat - "$work/p.toml" > "$work/big.toml"
built="" copied=""
for round in 1 2 3 4 5; do
  t=$(date +%s%N); dist/tarvo-build "$work/big.toml" -o "$work/big.exe"; built="$built $(ms "$t")"
  t=$(date +%s%N); cat "$work"/part*.jar | cat > "$work/copy.bin"; copied="$copied $(ms "$t")"
  rm -f "$work/big.exe" "$work/copy.bin"
done
b=$(echo $built | median) c=$(echo $copied | median)
printf "| %-34s | %s |\n" builder_200mb "$b ms against a plain copy's $c ms"
rm -f "$work"/part*.jar

winpath() { echo "Z:${1//\//\\}"; }
arches=x64
if tests/rig/with-display.sh tests/rig/wine-run.sh "$B/win/java_standin.exe" 2>/dev/null | grep -q 'java version'; then
  arches="x64 x86"
else
  echo "(32-bit rows skipped: this machine cannot run 32-bit Windows programs)"
fi
export TARVO_SOURCE="Z:$src" TARVO_BUILD="Z:$src/$B/win64" TARVO_BUILD32="Z:$src/$B/win"
for arch in $arches; do
  echo "| **$arch** | |"
  TARVO_ARCH=$arch tests/rig/with-display.sh tests/rig/wine-run.sh "$B/win64/bench.exe" \
    "$(winpath "$src/$work/bench-$arch.json")"
done
# A real application on a real HotSpot, where the set-up could fetch one.
tools/bench-hotspot.sh "$B"
{
  echo "{"
  echo "  \"size\": {$sizes_json},"
  echo "  \"builder_200mb\": {\"ms\": [${built# }], \"copy_ms\": [${copied# }]},"
  for arch in $arches; do echo "  \"$arch\": $(cat "$work/bench-$arch.json"),"; done
  [ ! -f "$work/hotspot.json" ] || echo "  \"hotspot\": $(cat "$work/hotspot.json"),"
  echo "  \"rounds\": \"median of the rounds; each row's raw figures above\""
  echo "}"
} | sed 's/\[\([0-9]*\) /[\1, /g; s/\([0-9]\) \([0-9]\)/\1, \2/g' > "$B/bench.json"
echo "(raw figures: $B/bench.json)"
