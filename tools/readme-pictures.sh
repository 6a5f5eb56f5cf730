#!/usr/bin/env bash
# The README's two pictures, docs/splash.png and docs/message.png, taken
# under Wine as a user sees them. Run with tests/rig/with-display.sh, after
# make check has built the stand-ins.
set -uo pipefail
cd "$(dirname "$0")/.."
w=build/shots
rm -rf $w/* ; mkdir -p $w/jdk/bin/server $w/jdk-arm/bin/server
cp build/win64/java_standin.exe $w/jdk/bin/java.exe; cp $w/jdk/bin/java.exe $w/jdk/bin/javaw.exe
cp build/win64/lib_jvm_standin.dll $w/jdk/bin/server/jvm.dll
printf 'JAVA_VERSION="21.0.2"\n' > $w/jdk/release
printf 'sleep=6000\n' > $w/jdk/bin/server/jvm.script
cp $w/jdk/bin/java.exe $w/jdk-arm/bin/java.exe; cp $w/jdk/bin/java.exe $w/jdk-arm/bin/javaw.exe
cp build/arm64/lib_jvm_standin.dll $w/jdk-arm/bin/server/jvm.dll
printf 'JAVA_VERSION="21.0.2"\n' > $w/jdk-arm/release
python3 - $w/splash.bmp <<'PY'
import struct, sys
w, h = 420, 240
rows = []
for y in range(h):
    t = y / (h - 1)
    row = bytearray()
    for x in range(w):
        s = x / (w - 1)
        r = int(22 + 30 * s); g = int(70 + 60 * (1 - t)); b = int(120 + 90 * (1 - t * 0.6))
        if 150 <= h - 1 - y <= 154 and 24 <= x <= 396: r, g, b = 240, 190, 70
        row += bytes((b, g, r))
    rows.append(bytes(row))
data = b"".join(rows)
head = b"BM" + struct.pack("<IHHI", 54 + len(data), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(head + info + data)
PY
cat > $w/orvan.toml <<'EOF'
arch = "x64"
name = "Orvan Desk"
main_class = "brannoc.orvan.Main"
class_path = ["S0lib"]
[java]
search = ["EJAVA_HOME"]
[splash]
show = true
bitmap = "splash.bmp"
[splash.status]
x = 24
y = 200
text = "Starting Orvan Desk..."
font = "Tahoma"
size = 9
colour = "255,255,255"
[splash.line2]
x = 24
y = 30
text = "Orvan Desk 4.2"
font = "Tahoma"
size = 20
colour = "255,255,255"
weight = 700
EOF
dist/tarvo-build $w/orvan.toml -o $w/orvan.exe || exit 1
win() { echo "Z:$(realpath $1 | sed 's|/|\\|g')"; }
shot() { # title file
  local id=""
  for _ in $(seq 80); do id=$(xwininfo -root -tree | awk -v t="\"$1\"" 'index($0, t) {print $1; exit}'); [ -n "$id" ] && break; sleep 0.1; done
  [ -n "$id" ] || { echo "no window $1"; return 1; }
  for _ in $(seq 20); do xwininfo -id $id | grep -q IsViewable && break; sleep 0.1; done
  sleep 1
  import -window "$id" "$2"
}
JAVA_HOME=$(win $w/jdk) /usr/lib/wine/wine64 $w/orvan.exe & p=$!
shot "Orvan Desk" docs/splash.png
wait $p
pf="$WINEPREFIX/drive_c/Program Files/Java"
mkdir -p "$pf" && rm -rf "$pf/jdk-21.0.2" && cp -r $w/jdk-arm "$pf/jdk-21.0.2"
JAVA_HOME='C:\Program Files\Java\jdk-21.0.2' /usr/lib/wine/wine64 $w/orvan.exe & p=$!
shot "Error" docs/message.png || shot "Orvan Desk" docs/message.png
/usr/lib/wine/wineserver -k
wait $p
rm -rf "$pf"
ls -la docs/*.png
