#!/usr/bin/env bash
# The ARM64 launcher as a user meets it, under an ARM64 Wine (an arm64 Debian
# run by qemu): the application runs with its words and options, the splash
# shows, an x64 Java is passed over with the words that name both machines,
# and the Java the product carries starts. Everything else the three
# launchers share is tested on the x64 and x86 ones.
#   arm64-smoke.sh SOURCE BUILD   (BUILD holds arm64/ and win64/)
set -uo pipefail
src=$1 B=$(realpath "$2")
rig=$src/tests/rig/arm64-wine.sh
work=$B/arm64-smoke
failures=0

"$rig" prepare "$B" >"$B/arm64-prepare-suite.txt"
status=$?
# The one line of a machine that cannot run arm64 code, for make check to show.
[ $status -eq 77 ] && { cat "$B/arm64-prepare-suite.txt"; exit 77; }
[ $status -eq 0 ] || exit $status

cmake --build "$B/arm64" --target standins >/dev/null || exit 1
rm -rf "$work" && mkdir -p "$work"

# A Java home: java.exe, bin\server\jvm.dll of the given stand-in, a release
# file (so that no java.exe runs to tell the version) and the VM's script.
java_home() {
  local home=$work/$1
  mkdir -p "$home/bin/server"
  cp "$2/java_standin.exe" "$home/bin/java.exe" 2>/dev/null || : >"$home/bin/java.exe"
  cp "$home/bin/java.exe" "$home/bin/javaw.exe"
  cp "$2/lib_jvm_standin.dll" "$home/bin/server/jvm.dll"
  printf 'JAVA_VERSION="%s"\n' "$3" >"$home/release"
  printf '%b' "${4:-}" >"$home/bin/server/jvm.script"
}
java_home jdk-arm "$B/arm64" 21.0.2 'sleep=2500\n'
java_home jdk-x64 "$B/win64" 17.0.9

# A 240x120 splash of one colour, (30, 140, 200), as a 24-bit bitmap.
python3 - "$work/splash.bmp" <<'PY'
import struct, sys
w, h = 240, 120
row = bytes((200, 140, 30)) * w
data = row * h
head = b"BM" + struct.pack("<IHHI", 54 + len(data), 0, 0, 54)
info = struct.pack("<IiiHHIIiiII", 40, w, h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
open(sys.argv[1], "wb").write(head + info + data)
PY

project() {
  cat >"$work/$1.toml" <<EOF
arch = "arm64"
name = "Orvan Smoke"
main_class = "brannoc.Smoke"
vm_options = "-Dsmoke=arm64"
class_data_sharing = false
$2
EOF
}
project app '[java]
search = ["EJAVA_HOME"]
[splash]
show = true
bitmap = "splash.bmp"'
project inside 'runtime = "jdk-arm"'
sed 's/^runtime = .*/runtime = "jdk-x64"/' "$work/inside.toml" >"$work/refused.toml"
build() { "$src/dist/tarvo-build" "$work/$1.toml" -o "$work/$2" "${@:3}"; }
build app app.exe && build app tool.exe --subsystem console && build inside inside.exe || exit 1

fail() { echo "FAILED: $*"; failures=$((failures + 1)); }
expect() { # what, text, expected part
  case $2 in *"$3"*) ;; *) fail "$1: expected \"$3\" in:"; printf '%s\n' "$2" ;; esac
}

# The builder refuses a runtime of the other machine for this launcher.
said=$(build refused refused.exe 2>&1) && fail "an x64 runtime was taken for the ARM64 launcher"
expect "the builder's refusal" "$said" "its jvm.dll is for x64 Windows, the launcher for ARM64"

# Inside the session: each start is one Wine program in the chroot, while
# this host script watches the display.
cases() {
  local in="$rig exec $B --" code
  # The application, with its words, its options, and the splash meanwhile.
  $in 'cd /smoke && JAVA_HOME="Z:\smoke\jdk-arm" TARVO_TRACE="Z:\smoke\app-trace.txt" timeout 180 wine app.exe "two words" x' \
    >"$work/app-out.txt" 2>&1 &
  local start=$! id=""
  for _ in $(seq 120); do
    id=$(xwininfo -root -tree 2>/dev/null | awk '/"Orvan Smoke"/ && /240x120/ {print $1; exit}')
    [ -n "$id" ] && break
    sleep 0.25
  done
  if [ -z "$id" ]; then
    fail "no splash window of 240x120 titled Orvan Smoke"
  else
    # Listed before it is painted: the picture waits for it to be viewable.
    for _ in $(seq 20); do xwininfo -id "$id" | grep -q IsViewable && break; sleep 0.1; done
    sleep 0.5
    import -window "$id" "$work/splash.png"
    convert "$work/splash.png" -format '%[fx:int(255*p{120,60}.r)] %[fx:int(255*p{120,60}.g)] %[fx:int(255*p{120,60}.b)]' info: >"$work/splash-pixel.txt"
    expect "the splash's middle" "$(cat "$work/splash-pixel.txt")" "30 140 200"
  fi
  wait $start
  code=$?
  [ $code -eq 0 ] || fail "the application's start ended with $code: $(cat "$work/app-out.txt")"
  local record
  record=$(cat "$work/jdk-arm/bin/server/jvm.record" 2>/dev/null)
  expect "the VM's options" "$record" "option=-Dsmoke=arm64"
  expect "main's words" "$record" "element=two words"
  expect "main ran" "$record" "main-returned"

  # A console twin whose only Java is an x64 one: the message on standard
  # error, the code 1.
  $in 'cd /smoke && JAVA_HOME="Z:\smoke\jdk-x64" timeout 180 wine tool.exe' >"$work/tool-out.txt" 2>"$work/tool-err.txt"
  code=$?
  [ $code -eq 1 ] || fail "the console launcher without an ARM64 Java ended with $code"
  expect "the passed-over x64 Java" "$(tr -d '\r' <"$work/tool-err.txt")" \
    "Java 17.0.9 (x64) was found in
Z:\\smoke\\jdk-x64\\
but this program needs an ARM64 Java."

  # The Java the product carries, with no other anywhere.
  $in 'cd /smoke && TARVO_TRACE="Z:\smoke\inside-trace.txt" timeout 180 wine inside.exe' >"$work/inside-out.txt" 2>&1
  code=$?
  [ $code -eq 0 ] || fail "the launcher with its own Java ended with $code"
  expect "the carried Java loaded" "$(cat "$work/inside-trace.txt" 2>/dev/null)" "\\bin\\server\\jvm.dll: loaded"
  [ $failures -eq 0 ]
}

t=$SECONDS
export -f cases fail expect
export rig B work failures
"$rig" session "$B" "$work" -- bash -c cases
status=$?
# The chroot was there a moment ago: a skip now is a failure.
[ $status -eq 77 ] && status=1
echo "ARM64 smoke suite: $((SECONDS - t)) s, $([ $status -eq 0 ] && echo passed || echo FAILED)"
exit $status
