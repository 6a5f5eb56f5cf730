#!/usr/bin/env bash
# Fails when a source file includes a header from a folder above its own (the
# order is src/layers.txt), when files include each other round a circle,
# when the builder reaches above the launcher's ground, or when a
# configuration number is written anywhere but in the one table of the
# configuration.
set -uo pipefail
top=$(cd "$(dirname "$0")/.." && pwd)
cd "$top"
mapfile -t layers < <(grep -v '^#' src/layers.txt | sed '/^$/d')
rank() {
  local i
  for i in "${!layers[@]}"; do [ "${layers[$i]}" = "$1" ] && { echo "$i"; return; }; done
  echo -1
}
faults=0
fault() { echo "layers: $*"; faults=$((faults + 1)); }

for file in src/*/*; do
  own=$(basename "$(dirname "$file")")
  r=$(rank "$own")
  [ "$r" -ge 0 ] || { fault "$file: the folder $own is not in src/layers.txt"; continue; }
  while IFS=: read -r line target; do
    folder=${target%%/*}
    t=$(rank "$folder")
    [ "$t" -ge 0 ] || continue
    [ "$t" -ge "$r" ] || fault "$file:$line includes $target, from $folder, above $own"
  done < <(grep -no '^#include "[a-z_]*/[^"]*"' "$file" | sed 's/#include "//; s/"$//')
done

# Within a folder, too, the files call down: no two units (a source and its
# header) include each other, however far round.
while IFS= read -r member; do
  fault "$member is in a circle of includes"
done < <(for file in src/*/*.cpp src/*/*.h; do
           unit=${file%.*}
           grep -o '^#include "[a-z_]*/[^"]*\.h"' "$file" | sed 's/#include "//; s/\.h"$//' |
             while read -r target; do [ "src/$target" != "$unit" ] && echo "$unit src/$target"; done
         done | tsort 2>&1 >/dev/null | grep -v 'input contains a loop' | sed 's/^tsort: //' | sort -u)

# The builder shares only the ground: text helpers and the table.
while IFS=: read -r file line target; do
  case $target in files/*) ;; *) fault "$file:$line includes $target; the builder takes only files/ of the launcher" ;; esac
done < <(grep -no '^#include "[a-z_]*/[^"]*"' builder/*.cpp builder/*.h | sed 's/#include "//; s/"$//')

# Configuration numbers live in res/config_table.inc alone: a declared
# number or a cast to ConfigId would read a string the table does not know.
while IFS= read -r hit; do
  fault "$hit: a configuration number outside the table"
done < <(grep -rnE '\b(CFG|MSG)_[A-Z0-9_]+ *= *[0-9]|\(ConfigId\)' src)

[ "$faults" -eq 0 ] && echo "layers: ${#layers[@]} folders, every include looks down" 
exit $((faults > 0))
