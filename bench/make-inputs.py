#!/usr/bin/env python3
"""Makes the benchmark bitmaps: five uncompressed BMP files, standard library only.

  rgb24.bmp     24-bit,                      4000 x 3000
  grey8.bmp     8-bit, grey ramp palette,    4000 x 3000 (levels 16..239 only, as in
                a scan, so that no pass may stop once every entry has turned up)
  palette8.bmp  8-bit, 256-colour palette,   4000 x 3000
  colour4.bmp   4-bit, 16-colour palette,    4000 x 3000
  mono1.bmp     1-bit, black and white,      8000 x 6000

--scale S multiplies both sides (e.g. 2 gives four times the pixels). Pixels
are pseudo-random from a fixed seed, so every run makes the same files.
"""
import argparse
import os
import random
import struct

INPUTS = [
    # name, depth, width, height, palette kind
    ("rgb24", 24, 4000, 3000, None),
    ("grey8", 8, 4000, 3000, "grey-scan"),
    ("palette8", 8, 4000, 3000, "colour"),
    ("colour4", 4, 4000, 3000, "colour"),
    ("mono1", 1, 8000, 6000, "grey"),
]


def palette(depth, kind, rng):
    entries = 1 << depth
    table = bytearray()
    for i in range(entries):
        if kind.startswith("grey"):
            v = i * 255 // (entries - 1)
            table += bytes((v, v, v, 0))
        else:  # blue, green, red, reserved
            table += bytes((rng.randrange(256), rng.randrange(256), rng.randrange(256), 0))
    return bytes(table)


def write_bmp(path, depth, width, height, kind, rng):
    stride = (width * depth + 31) // 32 * 4
    table = palette(depth, kind, rng) if depth <= 8 else b""
    offset = 14 + 40 + len(table)
    bits_size = stride * height
    with open(path, "wb") as f:
        f.write(b"BM" + struct.pack("<IHHI", offset + bits_size, 0, 0, offset))
        f.write(struct.pack("<IiiHHIIiiII", 40, width, height, 1, depth, 0, bits_size,
                            2835, 2835, len(table) // 4, 0))
        f.write(table)
        used = (width * depth + 7) // 8
        levels = bytes(16 + v * 224 // 256 for v in range(256)) if kind == "grey-scan" else None
        pad = bytes(stride - used)
        # Rows in blocks keep memory small for large scales.
        block = max(1, (1 << 22) // stride)
        for y in range(0, height, block):
            rows = min(block, height - y)
            data = rng.randbytes(used * rows)
            if levels:
                data = data.translate(levels)
            f.write(b"".join(data[i * used:(i + 1) * used] + pad for i in range(rows)))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", default=".", help="directory for the files (default: .)")
    parser.add_argument("--scale", type=float, default=1.0, help="side multiplier (default 1)")
    parser.add_argument("--only", nargs="*", help="names to make (default: all)")
    args = parser.parse_args()
    os.makedirs(args.out, exist_ok=True)
    rng = random.Random(20261211)
    for name, depth, width, height, kind in INPUTS:
        if args.only and name not in args.only:
            continue
        w, h = int(width * args.scale), int(height * args.scale)
        path = os.path.join(args.out, name + ".bmp")
        write_bmp(path, depth, w, h, kind, rng)
        print(f"{path}: {depth}-bit {w}x{h}, {os.path.getsize(path)} bytes")


if __name__ == "__main__":
    main()
