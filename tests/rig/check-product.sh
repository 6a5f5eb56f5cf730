#!/usr/bin/env bash
# The product must be a 32-bit GUI executable that imports system DLLs only.
set -euo pipefail
exe=$1
file "$exe" | grep -q 'PE32 executable (GUI) Intel 80386' || { file "$exe"; echo "not a PE32 i386 GUI image"; exit 1; }
dlls=$(i686-w64-mingw32-objdump -p "$exe" | sed -n 's/.*DLL Name: //p' | tr 'A-Z' 'a-z' | sort -u)
allowed="kernel32.dll user32.dll gdi32.dll advapi32.dll msvcrt.dll"
for d in $dlls; do
  case " $allowed " in *" $d "*) ;; *) echo "imports $d"; exit 1 ;; esac
done
echo "PE32 GUI i386, imports: $(echo $dlls), $(stat -c %s "$exe") bytes"
