#!/usr/bin/env python3
"""Draws Ostrivane's icon and writes res/ostrivane.ico.

The picture: a folder with a bent arrow leaving it for a second, outlined
place. Drawn from shapes in unit coordinates, sampled 4x4 per pixel, so every
size is its own drawing rather than a scaled bitmap. Sizes 16, 24, 32 and 48
are stored as 32-bit DIBs (what every Windows reads); 256 as PNG, as Vista
and later expect for the large size.

    python3 scripts/make-icon.py [output.ico]
"""
import math
import struct
import sys
import zlib
from pathlib import Path

SIZES = (16, 24, 32, 48, 256)
SAMPLES = 4

FOLDER_BACK = (196, 132, 28)
FOLDER_FRONT = (246, 190, 64)
FOLDER_EDGE = (140, 90, 12)
ARROW = (32, 96, 200)
ARROW_EDGE = (16, 52, 120)
TARGET = (32, 96, 200)


def rounded_rect(x, y, x0, y0, x1, y1, r):
    if x < x0 or x > x1 or y < y0 or y > y1:
        return False
    cx = min(max(x, x0 + r), x1 - r)
    cy = min(max(y, y0 + r), y1 - r)
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def in_polygon(x, y, points):
    inside = False
    j = len(points) - 1
    for i, (xi, yi) in enumerate(points):
        xj, yj = points[j]
        if (yi > y) != (yj > y) and x < (xj - xi) * (y - yi) / (yj - yi) + xi:
            inside = not inside
        j = i
    return inside


# The arrow: a shaft from the folder up and over to the right, then a head
# pointing down at the target place.
ARROW_SHAPE = [
    (0.30, 0.50), (0.30, 0.26), (0.62, 0.26), (0.62, 0.16),
    (0.86, 0.34), (0.62, 0.52), (0.62, 0.42), (0.44, 0.42), (0.44, 0.50),
]


def colour_at(x, y):
    """The colour (r, g, b, a) at a point of the unit square."""
    # Arrow over everything, with a dark rim.
    if in_polygon(x, y, ARROW_SHAPE):
        inner = [(px, py) for px, py in ARROW_SHAPE]
        rim = 0.025
        near_edge = any(
            in_polygon(x + dx, y + dy, inner) is False
            for dx, dy in ((rim, 0), (-rim, 0), (0, rim), (0, -rim)))
        return (*(ARROW_EDGE if near_edge else ARROW), 255)
    # Folder front, back and tab.
    if rounded_rect(x, y, 0.06, 0.50, 0.66, 0.92, 0.05):
        edge = not rounded_rect(x, y, 0.09, 0.53, 0.63, 0.89, 0.03)
        return (*(FOLDER_EDGE if edge else FOLDER_FRONT), 255)
    if rounded_rect(x, y, 0.06, 0.40, 0.66, 0.60, 0.05) or rounded_rect(x, y, 0.06, 0.34, 0.32, 0.46, 0.04):
        return (*FOLDER_BACK, 255)
    # The target place: an outlined box at the lower right.
    if rounded_rect(x, y, 0.70, 0.60, 0.96, 0.92, 0.04) and not rounded_rect(x, y, 0.75, 0.65, 0.91, 0.87, 0.02):
        return (*TARGET, 255)
    return (0, 0, 0, 0)


def render(size):
    """Rows top to bottom of (r, g, b, a), premultiplied-free averages."""
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = a = 0
            for sy in range(SAMPLES):
                for sx in range(SAMPLES):
                    c = colour_at((px + (sx + 0.5) / SAMPLES) / size, (py + (sy + 0.5) / SAMPLES) / size)
                    r += c[0] * c[3]
                    g += c[1] * c[3]
                    b += c[2] * c[3]
                    a += c[3]
            n = SAMPLES * SAMPLES
            if a:
                row.append((round(r / a), round(g / a), round(b / a), round(a / n)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def png(rows):
    size = len(rows)
    raw = b"".join(b"\0" + bytes(v for px in row for v in px) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def dib(rows):
    size = len(rows)
    # BITMAPINFOHEADER with the height doubled (colour rows then mask rows).
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for (r, g, b, a) in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def main():
    out = Path(sys.argv[1]) if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent / "res" / "ostrivane.ico"
    images = [(size, png(render(size)) if size >= 256 else dib(render(size))) for size in SIZES]
    data = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, blob in images:
        dim = 0 if size >= 256 else size
        data += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(blob), offset)
        offset += len(blob)
    data += b"".join(blob for _, blob in images)
    out.write_bytes(data)
    print(f"{out}: {', '.join(str(s) for s in SIZES)} px")


if __name__ == "__main__":
    main()
