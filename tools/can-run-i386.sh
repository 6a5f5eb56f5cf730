#!/usr/bin/env bash
# Exits 0 when this machine's kernel runs 32-bit x86 Linux programs (which
# the 32-bit Wine needs). It writes and runs the smallest such program: a
# static ELF whose only instructions are exit(0).
set -u
f=$(mktemp)
trap 'rm -f "$f"' EXIT
python3 - "$f" <<'PY'
import struct, sys
base, code = 0x08048000, bytes.fromhex("b801000000" "31db" "cd80")  # mov eax,1; xor ebx,ebx; int 0x80
size = 52 + 32 + len(code)
header = b"\x7fELF\x01\x01\x01" + bytes(9) + struct.pack("<HHIIIIIHHHHHH", 2, 3, 1, base + 84, 52, 0, 0, 52, 32, 1, 0, 0, 0)
program = struct.pack("<IIIIIIII", 1, 0, base, base, size, size, 5, 0x1000)
open(sys.argv[1], "wb").write(header + program + code)
PY
chmod +x "$f"
"$f" 2>/dev/null
