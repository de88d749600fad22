#!/usr/bin/env python3
"""Writes a rectangle of an Xvfb screen dump (XWD, as Xvfb -fbdir keeps it) as a PNG file.
Usage: xwd_to_png.py SCREEN_FILE LEFT TOP RIGHT BOTTOM OUT.png (right and bottom exclusive)"""
import struct
import sys
import zlib


def read_screen(path):
    data = open(path, "rb").read()
    # The header is 25 32-bit numbers, in the byte order that makes its size plausible.
    for order in (">", "<"):
        fields = struct.unpack(order + "25I", data[:100])
        if 100 <= fields[0] < 4096 and fields[1] == 7:
            break
    else:
        raise SystemExit("not an XWD file: " + path)
    header_size, width, height = fields[0], fields[4], fields[5]
    byte_order, bits_per_pixel, bytes_per_line = fields[7], fields[11], fields[12]
    masks, colours = fields[14:17], fields[19]
    if bits_per_pixel != 32:
        raise SystemExit("only 32-bit screens are supported, not %d-bit" % bits_per_pixel)
    start = header_size + 12 * colours
    pixel = "<I" if byte_order == 0 else ">I"
    shifts = [(m & -m).bit_length() - 1 for m in masks]
    rows = []
    for y in range(height):
        line = data[start + y * bytes_per_line : start + y * bytes_per_line + 4 * width]
        values = struct.unpack(pixel[0] + "%dI" % width, line)
        rows.append([tuple((v & m) >> s for m, s in zip(masks, shifts)) for v in values])
    return rows


def crop(rows, left, top, right, bottom):
    left, top = max(left, 0), max(top, 0)
    right, bottom = min(right, len(rows[0])), min(bottom, len(rows))
    if left >= right or top >= bottom:
        raise SystemExit("the rectangle lies outside the screen")
    return [row[left:right] for row in rows[top:bottom]]


def write_png(rows, path):
    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(
            ">I", zlib.crc32(kind + body) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + bytes(c for rgb in row for c in rgb) for row in rows)
    header = struct.pack(">IIBBBBB", len(rows[0]), len(rows), 8, 2, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                  chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


if __name__ == "__main__":
    if len(sys.argv) != 7:
        raise SystemExit(__doc__)
    rectangle = [int(n) for n in sys.argv[2:6]]
    write_png(crop(read_screen(sys.argv[1]), *rectangle), sys.argv[6])
