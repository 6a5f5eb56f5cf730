#!/usr/bin/env bash
# A product must be a GUI executable of its architecture (x86 or x64) that
# imports system DLLs only.
set -euo pipefail
exe=$1 arch=$2
case $arch in
  x86) kind='PE32 executable (GUI) Intel 80386'; objdump=i686-w64-mingw32-objdump ;;
  x64) kind='PE32+ executable (GUI) x86-64'; objdump=x86_64-w64-mingw32-objdump ;;
esac
file "$exe" | grep -q "$kind" || { file "$exe"; echo "not a $kind image"; exit 1; }
dlls=$($objdump -p "$exe" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
allowed="kernel32.dll user32.dll gdi32.dll advapi32.dll msvcrt.dll"
for d in $dlls; do
  case " $allowed " in *" $d "*) ;; *) echo "imports $d"; exit 1 ;; esac
done
echo "$(basename "$exe"): $kind, imports: $(echo $dlls), $(stat -c %s "$exe") bytes"
