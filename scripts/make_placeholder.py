#!/usr/bin/env python3
"""Draws the preview placeholder (a generic picture icon: a framed landscape with a sun) into
resources/placeholder.png, a 733 x 587 RGBA PNG.

Run again after changing the drawing; the PNG is committed so that builds need no Python.
Transparent pixels are white underneath, since the preview copies colours and drops alpha.
"""
import math
import os
import struct
import zlib

WIDTH, HEIGHT = 733, 587

FRAME = (92, 99, 112)
SKY_TOP = (126, 190, 238)
SKY_BOTTOM = (205, 232, 250)
SUN = (255, 206, 64)
FAR_HILL = (104, 170, 112)
NEAR_HILL = (58, 132, 74)
CLEAR = (255, 255, 255, 0)


def inside_rounded(x, y, left, top, right, bottom, radius):
    dx = max(left + radius - x, 0.0, x - (right - radius))
    dy = max(top + radius - y, 0.0, y - (bottom - radius))
    return dx * dx + dy * dy <= radius * radius


def mix(a, b, t):
    return tuple(round(a[i] + (b[i] - a[i]) * t) for i in range(3))


def pixel(x, y):
    """RGBA of one pixel, sampled at its centre."""
    px, py = x + 0.5, y + 0.5
    if not inside_rounded(px, py, 24, 24, WIDTH - 24, HEIGHT - 24, 48):
        return CLEAR
    if not inside_rounded(px, py, 60, 60, WIDTH - 60, HEIGHT - 60, 18):
        return FRAME + (255,)
    t = (py - 60) / (HEIGHT - 120)
    color = mix(SKY_TOP, SKY_BOTTOM, t)
    if math.hypot(px - 230, py - 190) < 62:
        color = SUN
    far = 370 - 70 * math.sin((px - 60) / 120.0) - 30 * math.cos((px - 60) / 47.0)
    if py > far:
        color = FAR_HILL
    near = 420 + 55 * math.sin((px - 300) / 95.0)
    if py > near:
        color = NEAR_HILL
    return color + (255,)


def chunk(kind, data):
    body = kind + data
    return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)


def main():
    rows = bytearray()
    for y in range(HEIGHT):
        rows.append(0)  # filter: none
        for x in range(WIDTH):
            rows.extend(pixel(x, y))
    header = struct.pack(">IIBBBBB", WIDTH, HEIGHT, 8, 6, 0, 0, 0)  # 8-bit RGBA
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(bytes(rows), 9))
    png += chunk(b"IEND", b"")
    path = os.path.join(os.path.dirname(__file__), "..", "resources", "placeholder.png")
    with open(path, "wb") as f:
        f.write(png)


if __name__ == "__main__":
    main()
