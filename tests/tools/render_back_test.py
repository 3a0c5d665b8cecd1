#!/usr/bin/env python3
"""Renders what eps-export writes with Ghostscript at 72 dpi and compares
every pixel with the bitmap it came from; also checks that the bounding box,
the size line and the grey or colour variant agree with the bitmap."""
import os
import random
import shutil
import subprocess
import sys
import zlib

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bmpgen  # noqa: E402
import tool_runner  # noqa: E402
from tool_runner import ScratchTest  # noqa: E402

GS = shutil.which("gs")


def render(eps_path, ppm_path):
    """One device pixel per point, no interpolation or smoothing."""
    subprocess.run([GS, "-q", "-dSAFER", "-dBATCH", "-dNOPAUSE", "-dEPSCrop", "-r72",
                    "-dNOINTERPOLATE", "-dGraphicsAlphaBits=1", "-sDEVICE=ppmraw",
                    "-sOutputFile=" + ppm_path, eps_path], check=True, timeout=120)


def read_ppm(path):
    """(width, height, rows of (r, g, b) from the top)."""
    with open(path, "rb") as f:
        data = f.read()
    fields, at = [], 0
    while len(fields) < 4:  # magic, width, height, maxval; comments skipped
        while data[at:at + 1].isspace():
            at += 1
        if data[at:at + 1] == b"#":
            at = data.index(b"\n", at)
            continue
        end = at
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[at:end])
        at = end
    assert fields[0] == b"P6" and fields[3] == b"255", fields
    width, height = int(fields[1]), int(fields[2])
    pixels = data[at + 1:]
    assert len(pixels) == width * height * 3
    rows = [[tuple(pixels[(y * width + x) * 3:(y * width + x) * 3 + 3]) for x in range(width)]
            for y in range(height)]
    return width, height, rows


def random_picture(seed, width, height, depth, entries):
    rnd = random.Random(seed)
    if depth == 24:
        return [[(rnd.randrange(256), rnd.randrange(256), rnd.randrange(256))
                 for _ in range(width)] for _ in range(height)]
    return [[rnd.randrange(entries) for _ in range(width)] for _ in range(height)]


class Case:
    def __init__(self, name, depth, width, height, palette=(), header_size=40, top_down=False,
                 used=None):
        self.name, self.depth, self.width, self.height = name, depth, width, height
        self.palette = list(palette)
        self.header_size, self.top_down = header_size, top_down
        entries = used if used is not None else len(self.palette)
        self.rows = random_picture(zlib.crc32(name.encode()), width, height, depth, entries)

    def expected_rgb(self):
        if self.depth == 24:
            return self.rows
        return [[self.palette[i] for i in row] for row in self.rows]

    def is_colour(self):
        return any(len(set(rgb)) > 1 for row in self.expected_rgb() for rgb in row) or \
            self.depth == 24

    def bmp(self):
        return bmpgen.make_bmp(self.rows, self.depth, self.palette, self.header_size,
                               self.top_down)


# A colour table whose neutral first half is all the pixels use: still grey.
HALF_GREY = bmpgen.grey_palette(8) + bmpgen.colour_palette(8)

CASES = [
    Case("bw-1bit-odd-width", 1, 9, 4, bmpgen.grey_palette(2)),
    Case("colour-1bit-33-wide", 1, 33, 3, bmpgen.colour_palette(2)),
    Case("grey-4bit", 4, 7, 5, bmpgen.grey_palette(16)),
    Case("colour-4bit-short-table", 4, 5, 6, bmpgen.colour_palette(11)),
    Case("grey-8bit", 8, 17, 6, bmpgen.grey_palette(256)),
    Case("colour-8bit", 8, 13, 3, bmpgen.colour_palette(256)),
    Case("grey-used-of-mixed-table", 8, 10, 4, HALF_GREY, used=8),
    Case("rgb-24bit-odd-width", 24, 5, 4),
    Case("rgb-24bit-one-pixel", 24, 1, 1),
    Case("rgb-24bit-wide", 24, 101, 7),
    Case("top-down-8bit", 8, 6, 5, bmpgen.colour_palette(256), top_down=True),
    Case("top-down-24bit", 24, 7, 3, top_down=True),
    Case("top-down-grey-1bit", 1, 11, 4, bmpgen.grey_palette(2), header_size=124, top_down=True),
    Case("core-header-8bit", 8, 9, 3, bmpgen.colour_palette(256), header_size=12),
    Case("v4-header-4bit", 4, 3, 8, bmpgen.grey_palette(16), header_size=108),
]


class RenderBack(ScratchTest):
    def export(self, case):
        self.write(case.name + ".bmp", case.bmp())
        r = self.run_tool(case.name + ".bmp", case.name + ".eps")
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        return self.read(case.name + ".eps").decode("ascii")

    def check_header(self, case, text):
        lines = text.split("\n")
        colour = case.is_colour()
        self.assertEqual(lines[0], "%!PS-Adobe-2.0 EPSF-1.2" if colour else "%!PS-Adobe-1.0 EPSF")
        self.assertEqual(lines[1], "%%%%BoundingBox: 0 0 %d %d" % (case.width, case.height))
        self.assertEqual("%%Extensions: CMYK" in lines, colour)
        size_line = lines[lines.index("SetValue") + 1]
        self.assertEqual(size_line, "%d %d" % (case.width, case.height))
        self.assertIn(" false 3 colorimage } def" if colour else " image } def", lines)

    def test_every_pixel_comes_back(self):
        self.assertTrue(GS, "Ghostscript (gs) is needed")
        for case in CASES:
            with self.subTest(case=case.name):
                text = self.export(case)
                self.check_header(case, text)
                render(self.path(case.name + ".eps"), self.path(case.name + ".ppm"))
                width, height, got = read_ppm(self.path(case.name + ".ppm"))
                self.assertEqual((width, height), (case.width, case.height))
                expected = case.expected_rgb()
                wrong = [(x, y, got[y][x], expected[y][x]) for y in range(height)
                         for x in range(width) if got[y][x] != expected[y][x]]
                self.assertEqual(wrong[:5], [], "%d pixels differ" % len(wrong))

    def test_both_modes_write_the_same_file(self):
        case = CASES[5]
        self.write("a.bmp", case.bmp())
        self.assertEqual(self.run_tool("a.bmp", "handles.eps").returncode, 0)
        self.assertEqual(self.run_tool("--pointers", "a.bmp", "pointers.eps").returncode, 0)
        self.assertEqual(self.read("handles.eps"), self.read("pointers.eps"))


if __name__ == "__main__":
    tool_runner.main()
