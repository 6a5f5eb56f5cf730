#!/usr/bin/env bash
# The builder's command line on both hosts: the Windows build writes the
# same bytes as the Linux one, and the launcher takes an Authenticode
# signature as it is: signed with a throw-away certificate, it verifies,
# still starts, and its resources still read back through Windows.
set -euo pipefail
src=$1 win64=$2
work=$win64/sign-test
rm -rf "$work" && mkdir -p "$work"
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
  -subj "/CN=tarvo test signer" 2>"$work/openssl.txt" || { cat "$work/openssl.txt"; exit 1; }
sed -e 's/^arch = "x86"/arch = "x64"/' -e '/^200[23] = /d' "$src/examples/orvan-desk.toml" > "$work/p.toml"
printf 'jar bytes' > "$work/app.jar"
printf 'include = ["app.jar"]\n' | cat - "$work/p.toml" > "$work/project.toml"
"$src/dist/tarvo-build" "$work/project.toml" -o "$work/built.exe"

# Its own words: help on standard output with 0, a wrong use on standard
# error with 2, the version of the builder and of the launchers it carries.
"$src/dist/tarvo-build" --help | grep -q -- "--print LAUNCHER.exe  *print the project" ||
  { echo "--help does not tell --print"; exit 1; }
set +e
"$src/dist/tarvo-build" "$work/project.toml" 2>"$work/usage.txt" >/dev/null; code=$?
set -e
[ $code -eq 2 ] && grep -q "^usage: tarvo-build PROJECT.toml -o LAUNCHER.exe" "$work/usage.txt" ||
  { cat "$work/usage.txt"; echo "a wrong use ended with $code"; exit 1; }
"$src/dist/tarvo-build" --version | grep -q "^  x64 launcher [0-9.]*, [0-9]* bytes" ||
  { "$src/dist/tarvo-build" --version; echo "--version names no launcher"; exit 1; }
winpath() { echo "Z:${1//\//\\}"; }
"$src/tests/rig/wine-run.sh" "$src/dist/tarvo-build.exe" "$(winpath "$work/project.toml")" -o "$(winpath "$work/built-on-windows.exe")"
cmp "$work/built.exe" "$work/built-on-windows.exe" || { echo "the two hosts' builders differ"; exit 1; }

osslsigncode sign -certs "$work/cert.pem" -key "$work/key.pem" -n "Orvan Desk" \
  -in "$work/built.exe" -out "$work/signed.exe" >/dev/null
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/signed.exe" >"$work/verify.txt" 2>&1 ||
  { cat "$work/verify.txt"; echo "the signed launcher does not verify"; exit 1; }
grep -q "Signature verification: ok" "$work/verify.txt" || { cat "$work/verify.txt"; exit 1; }

"$src/dist/tarvo-build" --print "$work/signed.exe" | grep -q "main_class = 'Vuvudozid'" ||
  { echo "the signed launcher cannot be printed"; exit 1; }

# One project, a window program and its command-line twin; the twin keeps
# its standard error on the console where the project says nothing of it.
sed -e '/^error_log = true/d' "$work/p.toml" > "$work/tool.toml"
"$src/dist/tarvo-build" "$work/tool.toml" --subsystem console -o "$work/tool.exe"
printed=$("$src/dist/tarvo-build" --print "$work/tool.exe")
{ echo "$printed" | grep -q "^subsystem = 'console'" && echo "$printed" | grep -q "^error_log = false"; } ||
  { echo "$printed"; echo "the console build is no command-line tool"; exit 1; }
"$src/dist/tarvo-build" --print "$work/built.exe" | grep -q "^subsystem" && { echo "a window program printed as a tool"; exit 1; }

export SIGNED_LINE="\"$(winpath "$work/signed.exe")\""
report=$("$src/tests/rig/wine-run.sh" "$win64/tarvo-watch.exe" --read 300 --line-from SIGNED_LINE)
echo "$report" | grep -q 'No JVM could be found' || { echo "$report"; echo "the signed launcher did not start"; exit 1; }
TARVO_SIGNED=$(winpath "$work/signed.exe") "$src/tests/rig/wine-run.sh" "$win64/builder_wine_test.exe" \
  --gtest_filter='*Signed*' --gtest_brief=1
echo "the same bytes from both hosts; signed, verified, started and read back"
