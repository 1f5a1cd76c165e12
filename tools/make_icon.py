#!/usr/bin/env python3
"""Draws Quillon's icon, a magnifying glass over a blue tile, and writes it as
app/quillon.ico (48, 32 and 16 pixels, each at 24 and at 32 bits per pixel), as
app/icons/quillon-{16,32,48}.png and as the scalable app/icons/quillon.svg. Needs nothing
beyond Python's standard library.

    tools/make_icon.py
"""
import math
import os
import struct
import zlib

SIZES = (48, 32, 16)
SUPERSAMPLE = 4
TILE = (0x1E, 0x6F, 0xD9)
GLASS = (0xFF, 0xFF, 0xFF)
LENS = (0xBF, 0xDD, 0xFF)
# The drawing in a 1 x 1 square; the bitmaps and the SVG are both made from these.
CORNER = 0.18
HANDLE = (0.58, 0.58, 0.82, 0.82)
HANDLE_HALF_WIDTH = 0.075
RING_CENTRE = 0.42
LENS_RADIUS = 0.18
RING_RADIUS = 0.27


def coverage_and_colour(x, y):
    """The colour at (x, y) in a 1 x 1 square, or None outside the drawing."""
    # The tile: a square with rounded corners.
    r = CORNER
    cx, cy = min(max(x, r), 1 - r), min(max(y, r), 1 - r)
    if (x - cx) ** 2 + (y - cy) ** 2 > r * r:
        return None
    # The handle: a thick segment from the ring towards the lower right.
    hx0, hy0, hx1, hy1 = HANDLE
    t = max(0.0, min(1.0, ((x - hx0) * (hx1 - hx0) + (y - hy0) * (hy1 - hy0)) /
                     ((hx1 - hx0) ** 2 + (hy1 - hy0) ** 2)))
    if math.hypot(x - (hx0 + t * (hx1 - hx0)), y - (hy0 + t * (hy1 - hy0))) < HANDLE_HALF_WIDTH:
        return GLASS
    d = math.hypot(x - RING_CENTRE, y - RING_CENTRE)
    if d < LENS_RADIUS:
        return LENS
    if d < RING_RADIUS:
        return GLASS
    return TILE


def render(size):
    """Rows of (r, g, b, a), top row first."""
    rows = []
    n = SUPERSAMPLE
    for py in range(size):
        row = []
        for px in range(size):
            acc = [0, 0, 0, 0]
            for sy in range(n):
                for sx in range(n):
                    c = coverage_and_colour((px + (sx + 0.5) / n) / size, (py + (sy + 0.5) / n) / size)
                    if c is not None:
                        acc[0] += c[0]
                        acc[1] += c[1]
                        acc[2] += c[2]
                        acc[3] += 1
            k = acc[3]
            row.append((acc[0] // k, acc[1] // k, acc[2] // k, 255 * k // (n * n)) if k else (0, 0, 0, 0))
        rows.append(row)
    return rows


def png(rows):
    size = len(rows)
    raw = b"".join(b"\0" + bytes(v for p in row for v in p) for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def bmp_entry(rows, bits):
    """An icon image: BITMAPINFOHEADER, colour rows bottom-up, then the 1-bit transparency mask."""
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, bits, 0, 0, 0, 0, 0, 0)
    pixels = b""
    for row in reversed(rows):
        if bits == 32:
            line = b"".join(bytes((b, g, r, a)) for r, g, b, a in row)
        else:
            line = b"".join(bytes((b, g, r) if a >= 128 else (0, 0, 0)) for r, g, b, a in row)
            line += b"\0" * (-len(line) % 4)
        pixels += line
    mask = b""
    for row in reversed(rows):
        bitsrow = 0
        for a in (p[3] for p in row):
            bitsrow = (bitsrow << 1) | (1 if a < 128 else 0)
        line = bitsrow.to_bytes((size + 7) // 8, "big")
        mask += line + b"\0" * (-len(line) % 4)
    return header + pixels + mask


def ico(images):
    """images: (size, bits, data) tuples."""
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, bits, data in images:
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    return out + b"".join(data for _, _, data in images)


def svg():
    """The same drawing as a scalable image, on a 48 x 48 canvas."""
    k = 48
    colour = lambda c: "#%02x%02x%02x" % c
    hx0, hy0, hx1, hy1 = (v * k for v in HANDLE)
    return (
        '<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" viewBox="0 0 %d %d">\n' % (k, k, k, k)
        + '  <rect width="%d" height="%d" rx="%g" fill="%s" stroke="none"/>\n' % (k, k, CORNER * k, colour(TILE))
        + '  <circle cx="%g" cy="%g" r="%g" fill="%s" stroke="none"/>\n'
        % (RING_CENTRE * k, RING_CENTRE * k, RING_RADIUS * k, colour(GLASS))
        + '  <circle cx="%g" cy="%g" r="%g" fill="%s" stroke="none"/>\n'
        % (RING_CENTRE * k, RING_CENTRE * k, LENS_RADIUS * k, colour(LENS))
        + '  <line x1="%g" y1="%g" x2="%g" y2="%g" stroke="%s" stroke-width="%g" stroke-linecap="round"/>\n'
        % (hx0, hy0, hx1, hy1, colour(GLASS), 2 * HANDLE_HALF_WIDTH * k)
        + "</svg>\n"
    )


def main():
    root = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "app")
    os.makedirs(os.path.join(root, "icons"), exist_ok=True)
    images = []
    for size in SIZES:
        rows = render(size)
        with open(os.path.join(root, "icons", "quillon-%d.png" % size), "wb") as f:
            f.write(png(rows))
        for bits in (24, 32):
            images.append((size, bits, bmp_entry(rows, bits)))
    with open(os.path.join(root, "quillon.ico"), "wb") as f:
        f.write(ico(images))
    with open(os.path.join(root, "icons", "quillon.svg"), "w") as f:
        f.write(svg())


if __name__ == "__main__":
    main()
