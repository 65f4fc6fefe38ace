"""The skin makers' archive tool: pack, list, extract, and extract with a hue shift.

usage: radiopack_test.py RADIOPACK
"""

import os
import struct
import subprocess
import sys
import tempfile
import unittest

RADIOPACK = None


def bitmap32(width, height, rows_top_down):
    """A 32-bit bottom-up bitmap file from rows of (r, g, b) tuples."""
    bits = b"".join(bytes((b, g, r, 0)) for row in reversed(rows_top_down) for (r, g, b) in row)
    header = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 32, 0, len(bits), 0, 0, 0, 0)
    return b"BM" + struct.pack("<IHHI", 54 + len(bits), 0, 0, 54) + header + bits


def pixels(bmp):
    offset, = struct.unpack_from("<I", bmp, 10)
    width, height = struct.unpack_from("<ii", bmp, 18)
    rows = []
    for row in range(height - 1, -1, -1):
        start = offset + row * width * 4
        rows.append([(bmp[start + 4 * x + 2], bmp[start + 4 * x + 1], bmp[start + 4 * x]) for x in range(width)])
    return rows


class RadiopackTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory(prefix="radiopack-")
        self.folder = os.path.join(self.dir.name, "skin")
        os.mkdir(self.folder)
        self.face = bitmap32(2, 1, [[(255, 0, 0), (128, 128, 128)]])
        with open(os.path.join(self.folder, "go.bmp"), "wb") as f:
            f.write(self.face)
        with open(os.path.join(self.folder, "channels.rd"), "wb") as f:
            f.write(b"1\r\nNorway\r\n")
        self.archive = os.path.join(self.dir.name, "radio.int")

    def tearDown(self):
        self.dir.cleanup()

    def run_tool(self, *args, check=True):
        return subprocess.run([RADIOPACK, *args], capture_output=True, check=check)

    def test_pack_list_and_extract(self):
        self.run_tool("pack", self.folder, self.archive)
        listing = self.run_tool("list", self.archive).stdout.decode().splitlines()
        names = [line.split()[0] for line in listing]
        sizes = [int(line.split()[1]) for line in listing]
        offsets = [int(line.split()[2]) for line in listing]
        self.assertEqual(names, ["channels.rd", "go.bmp"])
        self.assertEqual(sizes, [11, len(self.face)])
        with open(self.archive, "rb") as f:
            data = f.read()
        self.assertEqual(data[offsets[0]:offsets[0] + 11], b"1\r\nNorway\r\n")

        out = os.path.join(self.dir.name, "out.bmp")
        self.run_tool("extract", self.archive, "GO.BMP", out)
        with open(out, "rb") as f:
            self.assertEqual(f.read(), self.face)

    def test_extract_with_a_hue_recolours_only_coloured_pixels(self):
        self.run_tool("pack", self.folder, self.archive)
        out = os.path.join(self.dir.name, "green.bmp")
        self.run_tool("extract", self.archive, "go.bmp", out, "--hue", "120")
        with open(out, "rb") as f:
            self.assertEqual(pixels(f.read()), [[(0, 255, 0), (128, 128, 128)]])

    def test_bad_requests_fail_with_a_message(self):
        self.run_tool("pack", self.folder, self.archive)
        out = os.path.join(self.dir.name, "x")
        for args in (("extract", self.archive, "missing.bmp", out),
                     ("extract", self.archive, "channels.rd", out, "--hue", "10"),
                     ("extract", self.archive, "go.bmp", out, "--hue", "400"),
                     ("list", os.path.join(self.dir.name, "none.int")),
                     ("frobnicate",)):
            result = self.run_tool(*args, check=False)
            self.assertNotEqual(result.returncode, 0, args)
            self.assertTrue(result.stderr, args)
        self.assertFalse(os.path.exists(out))

    def test_corrupt_or_truncated_archives_are_reported_and_an_empty_one_is_not(self):
        self.run_tool("pack", self.folder, self.archive)
        with open(self.archive, "rb") as f:
            good = f.read()
        table_end = int(self.run_tool("list", self.archive).stdout.split()[2])
        out = os.path.join(self.dir.name, "x")
        bad = {
            "empty file": b"",
            "cut in the header": good[:4],
            "cut in the directory": good[:table_end - 3],
            "cut in the data": good[:-2],
            "a count beyond the file": good[:4] + struct.pack("<H", 60000) + good[6:],
            "not an archive": b"hello, this is plain text and no archive\n",
        }
        for what, data in bad.items():
            with open(self.archive, "wb") as f:
                f.write(data)
            for args in (("list", self.archive), ("extract", self.archive, "go.bmp", out)):
                result = self.run_tool(*args, check=False)
                self.assertNotEqual(result.returncode, 0, (what, args[0]))
                self.assertIn(b"radio.int", result.stderr, (what, args[0]))
        self.assertFalse(os.path.exists(out))

        # An archive without entries is a good archive: nothing listed, no complaint.
        empty = os.path.join(self.dir.name, "empty")
        os.mkdir(empty)
        self.run_tool("pack", empty, self.archive)
        result = self.run_tool("list", self.archive)
        self.assertEqual((result.stdout, result.stderr), (b"", b""))


if __name__ == "__main__":
    RADIOPACK = os.path.realpath(sys.argv[1])
    unittest.main(argv=sys.argv[:1], verbosity=2)
