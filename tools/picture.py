#!/usr/bin/env python3
"""Pictures for the demo, with nothing but the standard library.

picture.py splash OUT.bmp [SCALE]  the example product's splash picture, 400 x 200
                                   at 100 %, or made for SCALE percent
picture.py png IN.bmp OUT.png a 24-bit .bmp as .png, to look at
"""
import struct
import sys
import zlib


def write_bmp(path, width, height, pixel):
    row = (width * 3 + 3) & ~3
    data = bytearray()
    for y in range(height - 1, -1, -1):
        line = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            line += bytes((b, g, r))
        data += line + bytes(row - len(line))
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    with open(path, "wb") as f:
        f.write(header + info + data)


def splash(path, scale=100):
    width, height = 400 * scale // 100, 200 * scale // 100

    def pixel(x, y):
        t = x / (width - 1)
        r, g, b = int(18 + 10 * t), int(52 + 90 * t), int(96 + 60 * t)
        # A bright band across the middle, where the product's name sits.
        if 96 * scale // 100 <= y < 100 * scale // 100:
            return 230, 170, 40
        return r, g, b

    write_bmp(path, width, height, pixel)


def read_bmp(path):
    raw = open(path, "rb").read()
    offset, = struct.unpack_from("<I", raw, 10)
    width, height, _, bits = struct.unpack_from("<iiHH", raw, 18)
    if bits != 24:
        raise SystemExit("only 24-bit bitmaps")
    row = (width * 3 + 3) & ~3
    rows = []
    for y in range(abs(height)):
        src = y if height < 0 else abs(height) - 1 - y
        line = raw[offset + src * row: offset + src * row + width * 3]
        rows.append(bytes(c for x in range(width) for c in (line[3 * x + 2], line[3 * x + 1], line[3 * x])))
    return width, abs(height), rows


def png(src, dst):
    width, height, rows = read_bmp(src)

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))

    body = zlib.compress(b"".join(b"\0" + r for r in rows), 9)
    with open(dst, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)) +
                chunk(b"IDAT", body) + chunk(b"IEND", b""))


if __name__ == "__main__":
    if len(sys.argv) in (3, 4) and sys.argv[1] == "splash":
        splash(sys.argv[2], int(sys.argv[3]) if len(sys.argv) == 4 else 100)
    elif len(sys.argv) == 4 and sys.argv[1] == "png":
        png(sys.argv[2], sys.argv[3])
    else:
        raise SystemExit(__doc__)
