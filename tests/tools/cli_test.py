#!/usr/bin/env python3
"""eps-export on the command line: options, exit status, one-line messages,
and no output file when a bitmap is not exported."""
import os
import struct
import sys

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bmpgen  # noqa: E402
import tool_runner  # noqa: E402
from tool_runner import ScratchTest  # noqa: E402

GREY4 = bmpgen.make_bmp([[0, 1, 2], [3, 2, 1]], 8, bmpgen.grey_palette(4))


def with_field(data, offset, fmt, value):
    data = bytearray(data)
    struct.pack_into(fmt, data, offset, value)
    return bytes(data)


# name, file bytes, the one line expected on standard error (after "name: ").
MALFORMED = [
    ("empty.bmp", b"", "not a bitmap: the file does not start with \"BM\""),
    ("png.bmp", b"\x89PNG\r\n\x1a\n" + bytes(40), "not a bitmap: the file does not start with \"BM\""),
    ("header-only.bmp", GREY4[:14], "truncated: 14 bytes, too short for the file header"),
    ("cut-info.bmp", GREY4[:30],
     "truncated: the 40-byte information header ends past the end of the file (30 bytes)"),
    ("os2v2.bmp", with_field(GREY4, 14, "<I", 64),
     "unknown information header size 64 (12, 40, 108 or 124 expected)"),
    ("rle8.bmp", with_field(GREY4, 30, "<I", 1), "RLE8-compressed bitmaps are not supported"),
    ("rle4.bmp", with_field(with_field(GREY4, 30, "<I", 2), 28, "<H", 4),
     "RLE4-compressed bitmaps are not supported"),
    ("depth7.bmp", with_field(GREY4, 28, "<H", 7), "invalid bit depth 7"),
    ("table-claims.bmp", with_field(GREY4, 46, "<I", 1000),
     "the colour table claims 1000 entries, at most 256 fit 8 bits per pixel"),
    ("table-cut.bmp", with_field(GREY4, 46, "<I", 0),
     "truncated: the colour table ends at offset 1078, the file has 78 bytes"),
    ("offset-inside.bmp", with_field(GREY4, 10, "<I", 20),
     "bad row offset 20: it points into the headers or colour table, which end at 70"),
    ("offset-past.bmp", with_field(GREY4, 10, "<I", 4000000000),
     "bad row offset 4000000000: past the end of the file (78 bytes)"),
    ("rows-cut.bmp", GREY4[:-1],
     "truncated: 2 rows of 4 bytes at offset 70 do not fit in the file's 77 bytes"),
    ("absurd.bmp", with_field(with_field(GREY4, 18, "<i", 0x7FFFFFFF), 22, "<i", -0x7FFFFFFF),
     "truncated: 2147483647 rows of 2147483648 bytes at offset 70 do not fit in the file's 78 bytes"),
]


class Options(ScratchTest):
    def test_help_and_version(self):
        r = self.run_tool("--help")
        self.assertEqual(r.returncode, 0)
        self.assertTrue(r.stdout.startswith("Usage: eps-export"))
        r = self.run_tool("--version")
        self.assertEqual((r.returncode, r.stdout), (0, "eps-export 0.1.1.0\n"))

    def test_info_prints_the_plugin_strings(self):
        r = self.run_tool("--info")
        self.assertEqual(r.returncode, 0, r.stderr)
        self.assertEqual(r.stdout.splitlines(), [
            "code: K0RQ", "description: EPS export library v0.1.1.0 by Vorn",
            "format: EPS", "extension: .eps"])

    def test_command_line_errors_exit_2(self):
        self.write("a.bmp", GREY4)
        for args in [(), ("a.bmp",), ("a.bmp", "b.eps", "c.eps"), ("--bogus", "a.bmp", "b.eps"),
                     ("-o",), ("-o", "no-such-dir", "a.bmp"), ("--plugin",)]:
            with self.subTest(args=args):
                r = self.run_tool(*args)
                self.assertEqual(r.returncode, 2)
                self.assertTrue(r.stderr.startswith("eps-export: "), r.stderr)
                self.assertEqual(os.listdir(self.dir), ["a.bmp"])

    def test_a_plugin_that_does_not_load(self):
        self.write("a.bmp", GREY4)
        self.write("not-a-module", b"text")
        for plugin in ("not-a-module", "missing-module", os.path.join(".", "not-a-module")):
            with self.subTest(plugin=plugin):
                r = self.run_tool("--plugin", plugin, "a.bmp", "a.eps")
                self.assertEqual(r.returncode, 2)
                self.assertIn("eps-export: cannot load the plug-in " + plugin + ": ", r.stderr)
                self.assertFalse(os.path.exists(self.path("a.eps")))


class Export(ScratchTest):
    def test_exports_in_both_modes_alike(self):
        self.write("a.bmp", GREY4)
        r = self.run_tool("a.bmp", "handles.eps")
        self.assertEqual((r.returncode, r.stderr, r.stdout), (0, "", ""))
        r = self.run_tool("--pointers", "a.bmp", "pointers.eps")
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        eps = self.read("handles.eps")
        self.assertTrue(eps.startswith(b"%!PS-Adobe-1.0 EPSF\n%%BoundingBox: 0 0 3 2\n"))
        self.assertEqual(eps, self.read("pointers.eps"))

    def test_replaces_an_existing_file(self):
        self.write("a.bmp", GREY4)
        self.write("a.eps", b"x" * 5000)
        self.assertEqual(self.run_tool("a.bmp", "a.eps").returncode, 0)
        self.assertTrue(self.read("a.eps").endswith(b"%%EOF\n"))
        self.assertLess(len(self.read("a.eps")), 5000)

    def test_output_directory_names_each_file_after_its_input(self):
        os.mkdir(self.path("out"))
        self.write("one.bmp", GREY4)
        self.write("two.sample.bmp", GREY4)
        r = self.run_tool("-o", "out", "one.bmp", "two.sample.bmp")
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        self.assertEqual(sorted(os.listdir(self.path("out"))), ["one.eps", "two.sample.eps"])

    def test_one_bad_file_fails_the_run_but_not_the_others(self):
        os.mkdir(self.path("out"))
        self.write("good.bmp", GREY4)
        self.write("bad.bmp", b"BM")
        r = self.run_tool("-o", "out", "bad.bmp", "good.bmp")
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stderr, "bad.bmp: truncated: 2 bytes, too short for the file header\n")
        self.assertEqual(os.listdir(self.path("out")), ["good.eps"])


class Refusals(ScratchTest):
    def expect_refused(self, name, data, line):
        self.write(name, data)
        r = self.run_tool(name, "out.eps")
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stderr, name + ": " + line + "\n")
        self.assertFalse(os.path.exists(self.path("out.eps")))

    def test_malformed_files(self):
        for name, data, line in MALFORMED:
            with self.subTest(name=name):
                self.expect_refused(name, data, line)

    def test_depths_the_plugin_refuses(self):
        masks = struct.pack("<III", 0xF800, 0x07E0, 0x001F)
        cases = [
            ("rgb16.bmp", bmpgen.make_bmp([[0x7FFF, 0]], 16)),
            ("bitfields16.bmp", bmpgen.make_bmp([[0xF800, 0]], 16, compression=3, masks=masks)),
            ("rgb32.bmp", bmpgen.make_bmp([[0xFF0000, 0]], 32)),
            ("v5bitfields32.bmp", bmpgen.make_bmp([[0xFF0000, 0]], 32, header_size=124,
                                                  compression=3)),
        ]
        for name, data in cases:
            depth = 16 if "16" in name else 32
            with self.subTest(name=name):
                self.expect_refused(name, data, "unsupported bit depth %d (result 102)" % depth)

    def test_pixels_beyond_a_short_colour_table(self):
        data = bmpgen.make_bmp([[0, 5]], 8, bmpgen.grey_palette(4))
        self.expect_refused("short.bmp", data,
                            "the bitmap is malformed or its memory is too short (result 110)")

    def test_missing_input(self):
        r = self.run_tool("missing.bmp", "out.eps")
        self.assertEqual(r.returncode, 1)
        self.assertTrue(r.stderr.startswith("missing.bmp: cannot open the file: "), r.stderr)

    def test_output_that_cannot_be_created(self):
        self.write("a.bmp", GREY4)
        target = os.path.join("no-such-dir", "a.eps")
        r = self.run_tool("a.bmp", target)
        self.assertEqual(r.returncode, 1)
        self.assertEqual(r.stderr, "a.bmp: the file could not be created or written: %s "
                                   "(result 109)\n" % target)


if __name__ == "__main__":
    tool_runner.main()
