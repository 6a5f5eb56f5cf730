#!/usr/bin/env bash
# The main job, end to end: the launcher template with the example
# configuration, a Java home holding the stand-in java.exe and VM library,
# and the launcher started under Wine as a user would, through the harness.
set -euo pipefail
B=${1:-build}
demo="$(pwd)/$B/demo"
rm -rf "$demo"
app="$demo/Orvan Desk"; home="$demo/Java/jdk1.4.2_03"
mkdir -p "$app" "$home/bin/client"
cp "$B/win64/tarvo.exe" "$app/orvan.exe"
cp "$B/win64/java_standin.exe" "$home/bin/java.exe"
cp "$B/win64/java_standin.exe" "$home/bin/javaw.exe"
cp "$B/win64/lib_jvm_standin.dll" "$home/bin/client/jvm.dll"
# The stand-in application: a status record, its main window, a while of work.
printf 'comm=MLoading Orvan Desk|\nwindow\nsleep=1500\n' > "$home/bin/client/jvm.script"

winpath() { echo "Z:${1//\//\\}"; }
export JAVA_HOME; JAVA_HOME=$(winpath "$home")
export DEMO_LINE="\"$(winpath "$app/orvan.exe")\" -J-Xmx256m report.txt \"two words\""
echo "== The product: $(tests/rig/check-product.sh dist/tarvo.exe)"
echo "== JAVA_HOME=$JAVA_HOME"
echo "== Starting: $DEMO_LINE"
tests/rig/with-display.sh tests/rig/wine-run.sh "$B/win64/tarvo-watch.exe" --read 1500 --line-from DEMO_LINE
echo "== What the application received (recorded by the stand-in VM):"
sed -n 's/^JNI_CreateJavaVM /  VM created: /p; s/^option=/  VM option: /p; s/^FindClass=/  class looked up: /p; s/^element=/  main argument: /p; s/^DestroyJavaVM/  VM destroyed after main returned/p' \
  "$home/bin/client/jvm.record"
echo "== error.log beside the launcher: $(stat -c %s "$app/error.log") bytes"
