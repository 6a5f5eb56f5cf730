#!/usr/bin/env bash
# A product must be a GUI executable of its architecture (x86, x64 or arm64)
# that imports system DLLs only.
set -euo pipefail
exe=$1 arch=$2
case $arch in
  x86) kind='PE32 executable (GUI) Intel 80386'; objdump=i686-w64-mingw32-objdump ;;
  x64) kind='PE32+ executable (GUI) x86-64'; objdump=x86_64-w64-mingw32-objdump ;;
  arm64) kind='PE32+ executable (GUI) Aarch64'; objdump=llvm-objdump ;;
esac
file "$exe" | grep -q "$kind" || { file "$exe"; echo "not a $kind image"; exit 1; }
dlls=$($objdump -p "$exe" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
allowed="kernel32.dll user32.dll gdi32.dll advapi32.dll msvcrt.dll"
for d in $dlls; do
  case " $allowed " in *" $d "*) ;; *) echo "imports $d"; exit 1 ;; esac
done
# The manifest: the process settings of java.exe (no code page, no DPI
# awareness of its own), and the current common controls.
grep -q 'Microsoft.Windows.Common-Controls' "$exe" || { echo "the manifest names no common controls 6"; exit 1; }
if grep -qE 'activeCodePage|dpiAware' "$exe"; then echo "the manifest sets a code page or a DPI awareness"; exit 1; fi
unwind=""
if [ "$arch" = x64 ]; then
  # Unwind data for the code: the x64 convention needs it for every function
  # that is not a leaf, so most of .text lies inside a function-table entry.
  covered=0
  while read -r begin end; do covered=$((covered + 16#$end - 16#$begin)); done < <(
    $objdump -x "$exe" | awk '/The Function Table/ {on = 1; next} on && /^ [0-9a-f]+:/ {print $2, $3} on && /^$/ {on = 0}')
  text=$((16#$($objdump -h "$exe" | awk '$2 == ".text" {print $3}')))
  [ $((covered * 10)) -ge $((text * 8)) ] || { echo "unwind data covers $covered of $text bytes of code"; exit 1; }
  unwind=", unwind data for $covered of $text bytes of code"
elif [ "$arch" = arm64 ]; then
  # The same for ARM64, whose table entries give each function's length.
  covered=$(llvm-readobj --unwind "$exe" | awk '$1 == "FunctionLength:" {sum += $2} END {print sum + 0}')
  text=$((16#$($objdump -h "$exe" | awk '$2 == ".text" {print $3}')))
  [ $((covered * 10)) -ge $((text * 8)) ] || { echo "unwind data covers $covered of $text bytes of code"; exit 1; }
  unwind=", unwind data for $covered of $text bytes of code"
fi
echo "$(basename "$exe"): $kind, imports: $(echo $dlls), $(stat -c %s "$exe") bytes$unwind"
