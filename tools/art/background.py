#!/usr/bin/env python3
"""Draws the windows' background picture: a soft blue-grey weave that tiles without seams
(every wave repeats exactly across the tile). Writes a PPM on standard output; the JPEG in
src/ui/resources is made from it with ImageMagick:

    tools/art/background.py | convert ppm:- -quality 92 src/ui/resources/background.jpg
"""
import math
import sys

SIZE = 96


def shade(x, y):
    t = 2 * math.pi / SIZE
    weave = math.sin(t * (x + y)) * math.sin(t * 2 * (x - y))
    grain = math.sin(t * 3 * x + 1.3) * math.cos(t * 5 * y + 0.4)
    return 0.5 + 0.35 * weave + 0.15 * grain  # 0..1


def main():
    out = sys.stdout.buffer
    out.write(b"P6 %d %d 255\n" % (SIZE, SIZE))
    for y in range(SIZE):
        row = bytearray()
        for x in range(SIZE):
            s = shade(x, y)
            row += bytes((round(208 + 18 * s), round(221 + 14 * s), round(228 + 12 * s)))
        out.write(bytes(row))


if __name__ == "__main__":
    main()
