#!/usr/bin/env python3
"""Draws Kornmill's icon (grains strung along a wave on a dark tile) as a PNG; no libraries needed.

Usage: make_icon.py SIZE OUT.png
"""
import math
import struct
import sys
import zlib

BACK_TOP = (0x1d, 0x25, 0x40)
BACK_BOTTOM = (0x2c, 0x3d, 0x70)
GRAIN = (0xf5, 0xb9, 0x42)
GLOW = (0xff, 0xe8, 0xb0)


def grains():
    """Centre, size and loudness of each grain, in units of the icon's side."""
    out = []
    count = 11
    for i in range(count):
        t = i / (count - 1)
        x = 0.14 + 0.72 * t
        y = 0.5 - 0.22 * math.sin(2 * math.pi * 1.1 * t + 0.35)
        env = math.sin(math.pi * (0.08 + 0.84 * t))  # louder in the middle
        size = 0.016 + 0.034 * env * (0.75 + 0.25 * math.cos(7.3 * i))
        out.append((x, y, size, 0.55 + 0.45 * env))
    return out


def tile_coverage(u, v, radius=0.18, margin=0.04):
    """Fraction of the rounded tile covering point (u, v) (0..1 coordinates)."""
    lo, hi = margin + radius, 1 - margin - radius
    dx = max(lo - u, 0, u - hi)
    dy = max(lo - v, 0, v - hi)
    return 1.0 if math.hypot(dx, dy) <= radius else 0.0


def pixel(u, v, blobs, step):
    cover = 0.0
    for su in (-0.25, 0.25):
        for sv in (-0.25, 0.25):
            cover += tile_coverage(u + su * step, v + sv * step) / 4
    if cover == 0:
        return (0, 0, 0, 0)
    color = [BACK_TOP[c] + (BACK_BOTTOM[c] - BACK_TOP[c]) * v for c in range(3)]
    for (x, y, size, loud) in blobs:
        # Each grain is a Gaussian bell across and an envelope along the wave.
        d2 = ((u - x) / (size * 0.55)) ** 2 + ((v - y) / size) ** 2
        if d2 > 16:
            continue
        a = loud * math.exp(-d2 / 2)
        core = math.exp(-d2 * 2) * loud
        for c in range(3):
            color[c] = color[c] * (1 - a) + GRAIN[c] * a
            color[c] = color[c] * (1 - core * 0.6) + GLOW[c] * core * 0.6
    return tuple(int(round(min(255, max(0, x)))) for x in color) + (int(round(255 * cover)),)


def write_png(path, size, rows):
    raw = b"".join(b"\x00" + bytes(row) for row in rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
                chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def main():
    size, path = int(sys.argv[1]), sys.argv[2]
    blobs = grains()
    step = 1.0 / size
    rows = []
    for j in range(size):
        row = []
        for i in range(size):
            row.extend(pixel((i + 0.5) * step, (j + 0.5) * step, blobs, step))
        rows.append(row)
    write_png(path, size, rows)


if __name__ == "__main__":
    main()
