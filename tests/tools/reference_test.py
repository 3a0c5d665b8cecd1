#!/usr/bin/env python3
"""Every file eps-export writes, byte for byte against the document built
independently by eps_reference: the samples in examples/ and small pictures
of every depth. A Windows build runs the tool under Wine, so passing here in
both builds means both write identical files."""
import glob
import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, HERE)
import eps_reference  # noqa: E402
import render_back_test  # noqa: E402  (its pictures)
import tool_runner  # noqa: E402
from tool_runner import ScratchTest  # noqa: E402

EXAMPLES = sorted(glob.glob(os.path.join(HERE, "..", "..", "examples", "*.bmp")))


class Reference(ScratchTest):
    def check(self, name, bmp, picture, *options):
        self.write(name + ".bmp", bmp)
        r = self.run_tool(*options, name + ".bmp", name + ".eps")
        self.assertEqual((r.returncode, r.stderr), (0, ""))
        got, want = self.read(name + ".eps"), eps_reference.expected_eps(*picture)
        if got != want:
            at = next((i for i in range(min(len(got), len(want))) if got[i] != want[i]),
                      min(len(got), len(want)))
            self.fail("%s differs from byte %d: %r, expected %r" % (name, at, got[at:at + 40],
                                                                      want[at:at + 40]))

    def test_samples(self):
        self.assertTrue(EXAMPLES, "no examples/*.bmp")
        for path in EXAMPLES:
            with open(path, "rb") as f:
                bmp = f.read()
            for options in ((), ("--pointers",)):
                with self.subTest(sample=os.path.basename(path), options=options):
                    self.check("sample", bmp, eps_reference.decode_bmp(bmp), *options)

    def test_pictures_of_every_depth(self):
        for case in render_back_test.CASES:
            with self.subTest(case=case.name):
                picture = (case.width, case.height, case.depth, case.palette, case.rows)
                self.check(case.name, case.bmp(), picture)

    def test_full_last_line_and_empty_picture(self):
        # 36 grey pixels fill exactly one sample line; no pixels leave none.
        bmpgen = render_back_test.bmpgen
        rows, palette = [[i % 2 for i in range(12)]] * 3, bmpgen.grey_palette(2)
        self.check("full-line", bmpgen.make_bmp(rows, 8, palette), (12, 3, 8, palette, rows))
        self.check("empty", bmpgen.make_bmp([], 24, width=0), (0, 0, 24, [], []))

if __name__ == "__main__":
    tool_runner.main()
