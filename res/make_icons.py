#!/usr/bin/env python3
"""Builds the program's icons from the pixel drawing in icons/rocket.txt.

The drawing holds one character grid per image size and a palette that maps each character to a
colour with alpha. From it this script writes:

  icons/Keyloft.ico   the rocket flying towards the upper right (16x16 and 32x32)
  icons/Opposite.ico  the same rocket mirrored across the diagonal from the upper left to the
                      lower right corner, so it flies towards the lower left (16x16)
  icons/Gray.ico      the 16x16 rocket in muted grey-brown tones (16x16)

All images are 32 bits per pixel with alpha. Run it after changing the drawing and commit the
.ico files with it, so that a build never needs Python:

  python3 res/make_icons.py                    write the icons
  python3 res/make_icons.py --preview FILE.png also draw every image enlarged into FILE.png
"""

import os
import struct
import sys
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
DRAWING = os.path.join(HERE, "icons", "rocket.txt")


def read_drawing(path):
    """Returns (palette, images): palette maps a character to (r, g, b, a), images maps a size
    to its grid (a list of rows of characters)."""
    palette = {}
    images = {}
    section = None
    with open(path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    for number, raw in enumerate(lines, 1):
        line = raw.rstrip()
        if not line or line.lstrip().startswith("#"):
            continue
        words = line.split()
        if words[0] == "palette":
            section = "palette"
            continue
        if words[0] == "image":
            size = int(words[1])
            if size in images:
                fail(path, number, "image %d drawn twice" % size)
            images[size] = []
            section = size
            continue
        if section == "palette":
            if len(words) < 2 or len(words[0]) != 1 or len(words[1]) != 8:
                fail(path, number, "palette lines read: <character> <RRGGBBAA> [name]")
            value = int(words[1], 16)
            palette[words[0]] = ((value >> 24) & 255, (value >> 16) & 255, (value >> 8) & 255,
                                 value & 255)
        elif isinstance(section, int):
            images[section].append(line.strip())
        else:
            fail(path, number, "a palette or image header must come first")
    for size, grid in images.items():
        if len(grid) != size or any(len(row) != size for row in grid):
            fail(path, 0, "image %d must be %d rows of %d characters" % (size, size, size))
        for row in grid:
            for ch in row:
                if ch not in palette:
                    fail(path, 0, "character %r of image %d is not in the palette" % (ch, size))
    return palette, images


def fail(path, number, message):
    where = "%s:%d" % (path, number) if number else path
    sys.exit("make_icons: %s: %s" % (where, message))


def to_pixels(palette, grid):
    """Rows of (r, g, b, a) tuples."""
    return [[palette[ch] for ch in row] for row in grid]


def mirrored(pixels):
    """Mirror across the diagonal from the upper left to the lower right corner: the pixel at
    (x, y) moves to (y, x). The nose and the flame swap corners while the lit side of the body
    stays on the upper left."""
    size = len(pixels)
    return [[pixels[x][y] for x in range(size)] for y in range(size)]


def grayed(pixels):
    """Muted grey-brown tones: each colour's brightness, tinted warm and slightly stretched so
    the body, the window and the flame stay apart."""
    result = []
    for row in pixels:
        out = []
        for r, g, b, a in row:
            if a == 0:
                out.append((0, 0, 0, 0))
                continue
            light = 0.299 * r + 0.587 * g + 0.114 * b
            light = min(255.0, max(0.0, (light - 128.0) * 1.1 + 128.0))
            out.append((clamp(light * 0.78 + 44), clamp(light * 0.72 + 38),
                        clamp(light * 0.62 + 30), a))
        result.append(out)
    return result


def clamp(value):
    return max(0, min(255, int(round(value))))


def icon_image(pixels):
    """One icon image: a 32-bit BITMAPINFOHEADER, the colour rows and the 1-bit mask rows, both
    bottom-up. The mask marks fully transparent pixels for programs that ignore alpha."""
    size = len(pixels)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    colour = bytearray()
    for row in reversed(pixels):
        for r, g, b, a in row:
            colour += bytes((b, g, r, a))
    mask = bytearray()
    stride = ((size + 31) // 32) * 4
    for row in reversed(pixels):
        bits = bytearray(stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + bytes(colour) + bytes(mask)


def write_ico(path, images):
    """images: the pixel rows of each image, smallest first."""
    blobs = [icon_image(p) for p in images]
    data = struct.pack("<HHH", 0, 1, len(blobs))
    offset = 6 + 16 * len(blobs)
    for pixels, blob in zip(images, blobs):
        size = len(pixels)
        data += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    for blob in blobs:
        data += blob
    with open(path, "wb") as f:
        f.write(data)


def write_preview(path, images, scale=12):
    """A PNG of the images side by side, enlarged, on a checkerboard so alpha shows."""
    gap = 8
    width = sum(len(p) * scale for p in images) + gap * (len(images) + 1)
    height = max(len(p) * scale for p in images) + gap * 2
    canvas = [[(200, 200, 200) if ((x // 8) + (y // 8)) % 2 else (240, 240, 240)
               for x in range(width)] for y in range(height)]
    left = gap
    for pixels in images:
        for y, row in enumerate(pixels):
            for x, (r, g, b, a) in enumerate(row):
                for yy in range(y * scale, (y + 1) * scale):
                    for xx in range(x * scale, (x + 1) * scale):
                        br, bg, bb = canvas[gap + yy][left + xx]
                        canvas[gap + yy][left + xx] = (
                            (r * a + br * (255 - a)) // 255, (g * a + bg * (255 - a)) // 255,
                            (b * a + bb * (255 - a)) // 255)
        left += len(pixels) * scale + gap
    raw = bytearray()
    for row in canvas:
        raw.append(0)
        for pixel in row:
            raw += bytes(pixel)

    def chunk(kind, body):
        block = kind + body
        return struct.pack(">I", len(body)) + block + struct.pack(">I", zlib.crc32(block))

    png = b"\x89PNG\r\n\x1a\n"
    png += chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    png += chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(png)


def main():
    palette, images = read_drawing(DRAWING)
    for size in (16, 32):
        if size not in images:
            fail(DRAWING, 0, "image %d is missing" % size)
    small = to_pixels(palette, images[16])
    large = to_pixels(palette, images[32])
    folder = os.path.dirname(DRAWING)
    write_ico(os.path.join(folder, "Keyloft.ico"), [small, large])
    write_ico(os.path.join(folder, "Opposite.ico"), [mirrored(small)])
    write_ico(os.path.join(folder, "Gray.ico"), [grayed(small)])
    arguments = sys.argv[1:]
    if arguments[:1] == ["--preview"] and len(arguments) == 2:
        write_preview(arguments[1], [small, large, mirrored(small), grayed(small)])
    elif arguments:
        sys.exit("usage: make_icons.py [--preview FILE.png]")


if __name__ == "__main__":
    main()
