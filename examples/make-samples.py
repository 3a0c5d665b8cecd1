#!/usr/bin/env python3
"""Makes the sample bitmaps in this directory, one per kind of input the
plug-in takes: 1 bit, 4 bits, 8 bits grey, 8 bits colour and 24 bits.

Run from anywhere: python3 examples/make-samples.py
"""
import math
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.join(HERE, "..", "tests", "tools"))
import bmpgen  # noqa: E402

W, H = 96, 64


def disc(x, y, cx, cy, r):
    return (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def one_bit():
    """A black disc with a white square cut out, on white."""
    rows = []
    for y in range(H):
        row = []
        for x in range(W):
            inside = disc(x, y, 48, 32, 26) and not (40 <= x < 56 and 24 <= y < 40)
            row.append(0 if inside else 1)
        rows.append(row)
    return bmpgen.make_bmp(rows, 1, [(0, 0, 0), (255, 255, 255)])


def four_bit():
    """Concentric rings in sixteen hues."""
    palette = []
    for i in range(16):
        h = i / 16 * 2 * math.pi
        palette.append(tuple(int(127.5 + 127.5 * math.cos(h + k * 2 * math.pi / 3)) for k in range(3)))
    rows = [[int(math.hypot(x - W / 2, y - H / 2) / 3) % 16 for x in range(W)] for y in range(H)]
    return bmpgen.make_bmp(rows, 4, palette)


def eight_bit_grey():
    """A left-to-right ramp, with a darker diagonal band."""
    rows = []
    for y in range(H):
        row = []
        for x in range(W):
            v = x * 255 // (W - 1)
            if abs(x - y * W / H) < 8:
                v //= 3
            row.append(v)
        rows.append(row)
    return bmpgen.make_bmp(rows, 8, bmpgen.grey_palette(256))


def eight_bit_colour():
    """Interference of two waves over a 6 x 6 x 6 colour cube."""
    palette = [(r * 51, g * 51, b * 51) for r in range(6) for g in range(6) for b in range(6)]
    rows = []
    for y in range(H):
        row = []
        for x in range(W):
            a = math.sin(x / 7) + math.sin(y / 5) + math.sin((x + y) / 11)
            r = int((a + 3) / 6 * 5.99)
            g = x * 6 // W
            b = y * 6 // H
            row.append(r * 36 + g * 6 + b)
        rows.append(row)
    return bmpgen.make_bmp(rows, 8, palette)


def twenty_four_bit():
    """A red-to-blue gradient under a green-to-black one, with a white ring."""
    rows = []
    for y in range(H):
        row = []
        for x in range(W):
            d = math.hypot(x - 60, y - 28)
            if 14 <= d < 18:
                row.append((255, 255, 255))
            else:
                row.append((255 - x * 255 // (W - 1), 255 - y * 255 // (H - 1), x * 255 // (W - 1)))
        rows.append(row)
    return bmpgen.make_bmp(rows, 24)


SAMPLES = {
    "sample-1bit.bmp": one_bit,
    "sample-4bit.bmp": four_bit,
    "sample-8bit-grey.bmp": eight_bit_grey,
    "sample-8bit-colour.bmp": eight_bit_colour,
    "sample-24bit.bmp": twenty_four_bit,
}

if __name__ == "__main__":
    for name, make in SAMPLES.items():
        with open(os.path.join(HERE, name), "wb") as f:
            f.write(make())
        print(name)
