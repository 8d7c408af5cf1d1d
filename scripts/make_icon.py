#!/usr/bin/env python3
"""Draws the window icon (a framed picture with a quill stroke) into resources/Quillmere.ico.

Run again after changing the drawing; the .ico is committed so that builds need no Python.
"""
import math
import os
import struct

SIZES = (16, 32, 48)


def pixel(size, x, y):
    """BGRA of one pixel at icon size `size`, sampled at the pixel's centre."""
    u, v = (x + 0.5) / size, (y + 0.5) / size
    # Rounded square background.
    r = 0.18
    dx = max(abs(u - 0.5) - (0.5 - r), 0.0)
    dy = max(abs(v - 0.5) - (0.5 - r), 0.0)
    if math.hypot(dx, dy) > r - 0.02:
        return (0, 0, 0, 0)
    color = (178, 106, 38, 255)  # deep blue (BGR)
    # A white picture frame in the lower left.
    if 0.16 < u < 0.66 and 0.38 < v < 0.84:
        inner = 0.2 < u < 0.62 and 0.42 < v < 0.80
        color = (250, 250, 250, 255) if not inner else (235, 206, 135, 255)
        # Hills and a sun inside the frame.
        if inner and v > 0.70 - 0.25 * math.sin((u - 0.2) * 7.0) * 0.3:
            color = (80, 160, 70, 255)
        if inner and math.hypot(u - 0.32, v - 0.52) < 0.05:
            color = (60, 200, 250, 255)
    # A quill stroke from the upper right down to the frame's corner.
    t = ((u - 0.62) * 0.7071 + (v - 0.38) * -0.7071)
    d = abs((u - 0.62) * 0.7071 + (v - 0.38) * 0.7071)
    if 0.0 < t < 0.42 and d < 0.07 * (t / 0.42) + 0.012:
        color = (255, 255, 255, 255) if d > 0.012 else (60, 60, 60, 255)
    return color


def image(size):
    rows = []
    for y in range(size - 1, -1, -1):  # bottom-up
        rows.append(b"".join(struct.pack("BBBB", *pixel(size, x, y)) for x in range(size)))
    xor = b"".join(rows)
    mask_stride = ((size + 31) // 32) * 4
    and_mask = bytes(mask_stride * size)  # alpha decides; the mask stays clear
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    return header + xor + and_mask


def main():
    images = [image(s) for s in SIZES]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", size % 256, size % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    path = os.path.join(os.path.dirname(__file__), "..", "resources", "Quillmere.ico")
    with open(path, "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
