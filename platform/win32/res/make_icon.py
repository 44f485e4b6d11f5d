#!/usr/bin/env python3
"""Draws the program icon: a yellow star on a round blue badge, 16, 32 and 48 pixels,
written as an .ico file of 32-bit images. Usage: make_icon.py OUTPUT.ico"""
import math
import struct
import sys


def inside_star(x, y, cx, cy, outer, inner):
    angle = math.atan2(y - cy, x - cx) + math.pi / 2
    r = math.hypot(x - cx, y - cy)
    sector = (angle % (2 * math.pi / 5)) / (2 * math.pi / 5)  # 0..1 between two points
    edge = outer + (inner - outer) * (1 - abs(2 * sector - 1))
    return r <= edge


def pixel(size, x, y):
    """BGRA of one pixel, sampled 4 times for smooth edges."""
    c = (size - 1) / 2
    acc = [0.0, 0.0, 0.0, 0.0]
    for sx in (0.25, 0.75):
        for sy in (0.25, 0.75):
            px, py = x + sx - 0.5, y + sy - 0.5
            r = math.hypot(px - c, py - c)
            if inside_star(px, py, c, c, size * 0.40, size * 0.17):
                rgba = (255, 214, 40, 255)
            elif r <= size * 0.48:
                shade = 1 - 0.35 * (py / size)
                rgba = (int(40 * shade), int(90 * shade), int(200 * shade), 255)
            else:
                rgba = (0, 0, 0, 0)
            for i in range(4):
                acc[i] += rgba[i] / 4
    r, g, b, a = (int(round(v)) for v in acc)
    return bytes((b, g, r, a))


def image(size):
    rows = [b"".join(pixel(size, x, y) for x in range(size)) for y in range(size)]
    xor = b"".join(reversed(rows))  # bottom-up
    mask_stride = ((size + 31) // 32) * 4
    and_mask = bytes(mask_stride * size)  # the alpha channel decides
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(xor) + len(and_mask), 0, 0, 0, 0)
    return header + xor + and_mask


def main():
    sizes = (16, 32, 48)
    images = [image(s) for s in sizes]
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for s, data in zip(sizes, images):
        out += struct.pack("<BBBBHHII", s, s, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    out += b"".join(images)
    with open(sys.argv[1], "wb") as f:
        f.write(out)


if __name__ == "__main__":
    main()
