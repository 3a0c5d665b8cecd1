"""Shared by the command-line tests: runs eps-export in a scratch directory."""
import os
import subprocess
import sys
import tempfile
import unittest

TOOL = None  # set by main() from the command line
RUN_PREFIX = []  # e.g. ["wine"] for a Windows build


def run_tool(*args, cwd):
    return subprocess.run(RUN_PREFIX + [TOOL, *args], cwd=cwd, capture_output=True, text=True,
                          timeout=120)


class ScratchTest(unittest.TestCase):
    """Each test gets an empty directory; files are named relative to it."""

    def setUp(self):
        self._scratch = tempfile.TemporaryDirectory(prefix="eps-export-test-")
        self.dir = self._scratch.name

    def tearDown(self):
        self._scratch.cleanup()

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data):
        with open(self.path(name), "wb") as f:
            f.write(data)

    def read(self, name):
        with open(self.path(name), "rb") as f:
            return f.read()

    def run_tool(self, *args):
        return run_tool(*args, cwd=self.dir)


def main():
    """Usage: script.py TOOL [RUN_PREFIX...] [-- unittest arguments]"""
    global TOOL, RUN_PREFIX
    args = sys.argv[1:]
    rest = []
    if "--" in args:
        at = args.index("--")
        args, rest = args[:at], args[at + 1:]
    TOOL = os.path.abspath(args[0])
    RUN_PREFIX = args[1:]
    unittest.main(argv=[sys.argv[0], "-v", *rest])
