#!/usr/bin/python3
"""Re-encode the 32 bpp images of an .ico as PNG (size cut experiment).

  png_icon.py IN.ico OUT.ico [--drop-8bpp]

Windows Vista and later read PNG-compressed images of any size in an icon
(XP only the BMP ones). The picture is kept pixel for pixel: the alpha of the
32 bpp bitmap becomes the PNG's alpha. The 256-colour images stay bitmaps (a
PNG image in an icon is meant to be 32 bpp RGBA); --drop-8bpp leaves them
out, which only a 256-colour display would notice.
"""
import struct
import sys
import zlib


def png_chunk(kind: bytes, data: bytes) -> bytes:
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)


def paeth(a, b, c):
    p = a + b - c
    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
    if pa <= pb and pa <= pc:
        return a
    return b if pb <= pc else c


def filtered(rows, kind, bpp=4):
    out = bytearray()
    previous = bytes(len(rows[0]))
    for row in rows:
        line = bytearray()
        for i, value in enumerate(row):
            left = row[i - bpp] if i >= bpp else 0
            up = previous[i]
            upper_left = previous[i - bpp] if i >= bpp else 0
            predictor = (0, left, up, (left + up) // 2, paeth(left, up, upper_left))[kind]
            line.append((value - predictor) & 0xFF)
        out.append(kind)
        out += line
        previous = row
    return bytes(out)


def encode_png(width, height, rgba_rows) -> bytes:
    best = min((zlib.compress(filtered(rgba_rows, kind), 9) for kind in range(5)), key=len)
    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", header) + png_chunk(b"IDAT", best) + png_chunk(b"IEND", b"")


def bmp32_to_png(dib: bytes) -> bytes:
    size, width, height2, planes, bits = struct.unpack_from("<IiiHH", dib, 0)
    assert bits == 32, "only 32 bpp images are re-encoded"
    height = height2 // 2
    stride = width * 4
    rows = []
    for y in range(height):  # bottom-up
        start = size + (height - 1 - y) * stride
        bgra = dib[start:start + stride]
        rows.append(bytes(b for x in range(width) for b in (bgra[4 * x + 2], bgra[4 * x + 1], bgra[4 * x], bgra[4 * x + 3])))
    return encode_png(width, height, rows)


def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    data = open(argv[0], "rb").read()
    _, kind, count = struct.unpack_from("<HHH", data, 0)
    images = []
    for i in range(count):
        w, h, colours, reserved, planes, bits, size, offset = struct.unpack_from("<BBBBHHII", data, 6 + 16 * i)
        blob = data[offset:offset + size]
        if "--drop-8bpp" in argv and bits == 8:
            continue
        if bits == 32 and not blob.startswith(b"\x89PNG"):
            blob = bmp32_to_png(blob)

        images.append((w, h, colours, reserved, planes, bits, blob))
    out = bytearray(struct.pack("<HHH", 0, kind, len(images)))
    offset = 6 + 16 * len(images)
    for w, h, colours, reserved, planes, bits, blob in images:
        out += struct.pack("<BBBBHHII", w, h, colours, reserved, planes, bits, len(blob), offset)
        offset += len(blob)
    for image in images:
        out += image[6]
    open(argv[1], "wb").write(out)
    print(f"{argv[0]}: {len(data)} bytes -> {argv[1]}: {len(out)} bytes")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
