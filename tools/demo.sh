#!/usr/bin/env bash
# The main job, end to end: the example product's launcher, built for 64-bit
# Java by tarvo-build from its project file, a stand-in JDK 17 laid out as installed today (its VM in
# bin\server, the VM's runtime DLL in bin, a release file) and known only
# through its installer's registry key, and the launcher started under Wine
# as a user would, through the harness.
set -euo pipefail
B=${1:-build}
demo="$(pwd)/$B/demo"
rm -rf "$demo"
app="$demo/Orvan Desk"; home="$demo/Java/jdk-17.0.9.9-hotspot"
mkdir -p "$app" "$home/bin/server"
# The example product with a splash: its picture, white text, a second line.
python3 tools/picture.py splash "$demo/picture.bmp"
python3 tools/picture.py splash "$demo/picture-200.bmp" 200
sed -e 's/^arch = "x86"/arch = "x64"/' -e 's/^show = false/show = true/' \
    -e '/^\[splash\]$/a bitmap = "picture.bmp"\nbitmap_200 = "picture-200.bmp"' -e 's/colour = "0,0,0"/colour = "255,255,255"/' \
    -e 's/^size = 8/size = 10/' -e '/^\[splash.status\]$/a text = "Starting Orvan Desk"' \
    -e '/^\[splash.line2\]$/a text = "Orvan Desk 1.0"' \
    -e '/^\[splash.status\]$/,/^$/ s/^y = 20/y = 160/' -e '/^\[splash.line2\]$/,/^$/ s/^y = 40/y = 58/' \
    -e '/^\[splash.line2\]$/,/^$/ s/^size = 10/size = 20/' -e '/^\[splash.line2\]$/,/^$/ s/^weight = 500/weight = 700/' \
    examples/orvan-desk.toml > "$demo/orvan-desk.toml"
# The product lets a user raise its heap in a file of their own.
sed -i 's/^user_vm_options = false/user_vm_options = true/' "$demo/orvan-desk.toml"
printf '\n[version]\nfile_version = "1.0.0.0"\ncompany = "Orvan"\ndescription = "Orvan Desk"\n' >> "$demo/orvan-desk.toml"
echo "== Building: dist/tarvo-build $demo/orvan-desk.toml -o $app/orvan.exe"
dist/tarvo-build "$demo/orvan-desk.toml" -o "$app/orvan.exe"
cp "$B/win64/java_standin.exe" "$home/bin/java.exe"
cp "$B/win64/java_standin.exe" "$home/bin/javaw.exe"
cp "$B/win64/lib_jvm_modern.dll" "$home/bin/server/jvm.dll"
cp "$B/win64/lib_rt_standin.dll" "$home/bin/lib_rt_standin.dll"
printf 'IMPLEMENTOR="Stand-in"\nJAVA_VERSION="17.0.9"\n' > "$home/release"
# The stand-in application: two status records while it loads, its main
# window, a while of work.
printf 'sleep=700\ncomm=MLoading modules|\nsleep=900\ncomm=MOpening report.txt|\nsleep=900\nwindow\nsleep=1500\n' \
  > "$home/bin/server/jvm.script"

winpath() { echo "Z:${1//\//\\}"; }
key='HKLM\SOFTWARE\Eclipse Adoptium\JDK\17.0.9.9\hotspot\MSI'
# A trace of the start, as support staff would ask for one.
export TARVO_TRACE="$(winpath "$demo/start-trace.txt")"
export DEMO_LINE="\"$(winpath "$app/orvan.exe")\" -J-Xmx256m report.txt \"two words\""
echo "== The products:"
echo "   $(tests/rig/check-product.sh dist/tarvo.exe x86)"
echo "   $(tests/rig/check-product.sh dist/tarvo64.exe x64)"
echo "== Java: $(winpath "$home"), registered only under $key"
echo "== Starting: $DEMO_LINE"
tests/rig/with-display.sh bash -c '
  reg() { tests/rig/wine-run.sh reg "$@" >/dev/null 2>&1; }
  reg delete "HKLM\SOFTWARE\brannoc" /f
  reg add "$0" /v Path /d "$1\\" /f
  tests/rig/wine-run.sh '"$B"'/win64/tarvo-watch.exe --read 1500 --shot "$2\\splash.bmp" --line-from DEMO_LINE
  status=$?
  reg delete "HKLM\SOFTWARE\Eclipse Adoptium" /f
  exit $status' "$key" "$(winpath "$home")" "$(winpath "$demo")"
echo "== What the application received (recorded by the stand-in VM):"
sed -n 's/^JNI_CreateJavaVM /  VM created: /p; s/^runtime=.*/  the VM found its runtime DLL in bin/p; s/^option=/  VM option: /p; s/^FindClass=/  class looked up: /p; s/^element=/  main argument: /p; s/^DestroyJavaVM/  VM destroyed after main returned/p' \
  "$home/bin/server/jvm.record"
echo "== Once more on a screen at 200 % (192 dots per inch), as on a 4K monitor, with a user's options file"
# Without -J-Xmx256m this time: that word would replace the file's, as the user's last say.
export DEMO_LINE2="\"$(winpath "$app/orvan.exe")\" report.txt"
echo "   %APPDATA%\\Orvan Desk\\orvan.vmoptions: -Xmx1g"
tests/rig/with-display.sh bash -c '
  reg() { tests/rig/wine-run.sh reg "$@" >/dev/null 2>&1; }
  dpi() { reg add "HKCU\Control Panel\Desktop" /v LogPixels /t REG_DWORD /d $1 /f
          reg add "HKCC\Software\Fonts" /v LogPixels /t REG_DWORD /d $1 /f; }
  reg add "$0" /v Path /d "$1\\" /f
  dpi 192
  # The options file of the user, in %APPDATA% of the prefix.
  options="$WINEPREFIX/drive_c/users/$(id -un)/AppData/Roaming/Orvan Desk"
  mkdir -p "$options"
  printf "# raised by the user for a large report\r\n-Xmx1g\r\n" > "$options/orvan.vmoptions"
  tests/rig/wine-run.sh '"$B"'/win64/tarvo-watch.exe --read 1500 --shot "$2\\splash192.bmp" --line-from DEMO_LINE2 >/dev/null
  status=$?
  rm -rf "$options"
  dpi 96
  reg delete "HKLM\SOFTWARE\Eclipse Adoptium" /f
  exit $status' "$key" "$(winpath "$home")" "$(winpath "$demo")"
echo "== The VM's options in that start:"
awk '/^JNI_CreateJavaVM/ {n = 0; delete o} /^option=/ {o[n++] = substr($0, 8)} END {for (i = 0; i < n; i++) print "  " o[i]}' \
  "$home/bin/server/jvm.record"
echo "== Version probes run: $(cat "$home/bin/java.runs" 2>/dev/null | wc -l) (the release file told the version)"
echo "== error.log beside the launcher: $(stat -c %s "$app/error.log") bytes"
if [ -f "$demo/splash.bmp" ]; then
  python3 tools/picture.py png "$demo/splash.bmp" "$demo/splash.png" && rm "$demo/splash.bmp"
  echo "== The splash as it stood last, before the application's window: $B/demo/splash.png"
fi
if [ -f "$demo/splash192.bmp" ]; then
  python3 tools/picture.py png "$demo/splash192.bmp" "$demo/splash192.png" && rm "$demo/splash192.bmp"
  echo "== The same splash on a screen at 200 % (192 dots per inch): $B/demo/splash192.png"
fi
echo "== The start's trace (TARVO_TRACE): $B/demo/start-trace.txt, $(wc -l < "$demo/start-trace.txt") lines"

# The same project once more as a command-line tool, beside the window
# program: cmd waits for it, gives it its input and takes its output and code.
echo "== The same project as a command-line tool: dist/tarvo-build $demo/orvan-desk.toml --subsystem console -o $app/orvanc.exe"
dist/tarvo-build "$demo/orvan-desk.toml" --subsystem console -o "$app/orvanc.exe"
printf 'readin\nstdout=Orvan report: 3 pages\\n\nexit=4\n' > "$home/bin/server/jvm.script"
echo "== Running: cmd /c \"echo report.txt| orvanc.exe\""
tests/rig/with-display.sh bash -c '
  reg() { tests/rig/wine-run.sh reg "$@" >/dev/null 2>&1; }
  reg add "$0" /v Path /d "$1\\" /f
  run=$(pwd)/tests/rig/wine-run.sh
  (cd "$2" && "$run" cmd /c "echo report.txt| orvanc.exe") | sed "s/^/   /"
  status=${PIPESTATUS[0]}
  reg delete "HKLM\SOFTWARE\Eclipse Adoptium" /f
  echo "   cmd waited for it and ended with its code: $status"' "$key" "$(winpath "$home")" "$app"

# One program file that carries its Java, on a prefix without any: copied
# into the user's local data at the first start, used as it is at the next.
# Both as a standard user (Wine starts every program elevated, and an
# elevated start checks every byte of the copy).
one="$demo/One File"; tree="$demo/jre-for-one"
mkdir -p "$one" "$tree/bin/server" "$tree/lib/security"
cp "$home/bin/java.exe" "$home/bin/javaw.exe" "$home/bin/lib_rt_standin.dll" "$tree/bin/"
cp "$home/bin/server/jvm.dll" "$tree/bin/server/"
cp "$home/release" "$tree/release"
printf 'window\nsleep=800\n' > "$tree/bin/server/jvm.script"
head -c 41943040 /dev/urandom > "$tree/lib/modules"
for i in $(seq 1 200); do head -c 8192 /dev/urandom > "$tree/lib/security/part$i.dat"; done
sed -e 's/^arch = "x86"/arch = "x64"/' -e 's/^user_vm_options = true/user_vm_options = false/' \
    -e '/^200[23] = /d' "$demo/orvan-desk.toml" > "$demo/orvan-one.toml"
printf 'runtime = "jre-for-one"\ndata_folder = "Orvan One"\n' | cat - "$demo/orvan-one.toml" > "$demo/orvan-one2.toml"
mv "$demo/orvan-one2.toml" "$demo/orvan-one.toml"
echo "== One file that carries its Java: dist/tarvo-build $demo/orvan-one.toml -o $one/orvan.exe"
dist/tarvo-build "$demo/orvan-one.toml" -o "$one/orvan.exe"
echo "   $(stat -c %s "$one/orvan.exe") bytes, with a stand-in runtime of $(du -sb "$tree" | cut -f1) bytes"
export DEMO_LINE3="\"$(winpath "$one/orvan.exe")\""
export TARVO_TRACE="$(winpath "$demo/one-trace.txt")"
# From the parent's start to JNI_CreateJavaVM's answer, by the trace's clock.
start_ms() {
  awk '/parent: started/ && !s {split($1, t, ":"); s = (t[1] * 3600 + t[2] * 60 + t[3]) * 1000}
       /JNI_CreateJavaVM answered/ && s && !e {split($1, t, ":"); e = (t[1] * 3600 + t[2] * 60 + t[3]) * 1000}
       END {printf "%d ms", e - s}' "$1"
}
for run in first second; do
  rm -f "$demo/one-trace.txt"
  tests/rig/with-display.sh bash -c '
    reg() { tests/rig/wine-run.sh reg "$@" >/dev/null 2>&1; }
    reg delete "HKLM\SOFTWARE\Eclipse Adoptium" /f
    [ "$0" = first ] && rm -rf "$WINEPREFIX/drive_c/users/$(id -un)/AppData/Local/Orvan One"
    env -u JAVA_HOME -u JDK_HOME -u TARVO_JAVA_HOME tests/rig/wine-run.sh '"$B"'/win64/tarvo-watch.exe --read 1500 \
      --token limited --shot "$1\\one-$0.bmp" --line-from DEMO_LINE3 >/dev/null' "$run" "$(winpath "$demo")"
  echo "== The $run start, on a prefix without Java: $(start_ms "$demo/one-trace.txt") to the VM's creation;" \
       "$(grep -c 'runtime inside is in' "$demo/one-trace.txt") runtime found, $(grep -o 'search step I' "$demo/one-trace.txt" | head -1)"
done
cache="${WINEPREFIX:-$(pwd)/build/wineprefix}/drive_c/users/$(id -un)/AppData/Local/Orvan One/runtime"
echo "== The runtime's copy: $(ls "$cache" 2>/dev/null | tr '\n' ' ')($(du -sb "$cache" 2>/dev/null | cut -f1) bytes)"
if [ -f "$demo/one-first.bmp" ]; then
  python3 tools/picture.py png "$demo/one-first.bmp" "$demo/one-first.png" && rm -f "$demo/one-first.bmp" "$demo/one-second.bmp"
  echo "== The splash of the first start as it stood last: $B/demo/one-first.png"
fi
