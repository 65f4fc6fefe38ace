"""The catalogue makers' tool: build a catalogue folder from a station list, check a folder.

usage: radiocat_test.py RADIOCAT STATIONS.tsv BUILT_CATALOGUE
"""

import os
import re
import subprocess
import sys
import tempfile
import unittest

RADIOCAT = STATIONS = BUILT = None

CATALOGUE = "Sonavia/channelsplus/channels.rd"
FLAGS = "Sonavia/freechannels/package0.rd"


def address_file(n):
    return "Sonavia/freechannels/package0/%d.rd" % n


def station(country, name, address="https://radio.test/live.mp3", offered="1", about="About"):
    return "\t".join((country, name, about, address, offered))


def snapshot(folder):
    """Every file below the folder and its bytes."""
    files = {}
    for root, _, names in os.walk(folder):
        for name in names:
            path = os.path.join(root, name)
            with open(path, "rb") as f:
                files[os.path.relpath(path, folder)] = f.read()
    return files


class RadiocatTest(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.TemporaryDirectory(prefix="radiocat-")
        self.out = os.path.join(self.dir.name, "out")

    def tearDown(self):
        self.dir.cleanup()

    def run_tool(self, *args):
        return subprocess.run([RADIOCAT, *args], capture_output=True, text=True)

    def write(self, name, text, encoding="utf-8"):
        path = os.path.join(self.dir.name, name)
        with open(path, "wb") as f:
            f.write(text.encode(encoding) if isinstance(text, str) else text)
        return path

    def assert_lines_reported(self, result, source, lines):
        self.assertNotEqual(result.returncode, 0, result.stderr)
        reported = {int(m) for m in re.findall(re.escape(source) + r":(\d+):", result.stderr)}
        self.assertEqual(reported, set(lines), result.stderr)

    def assert_nothing_written(self, before):
        self.assertEqual(sorted(os.listdir(self.dir.name)), sorted(before))
        if os.path.exists(self.out):
            self.assertEqual(snapshot(self.out), self.old_catalogue)

    def test_bundled_list_builds_and_checks_clean(self):
        result = self.run_tool("build", STATIONS, self.out)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(self.run_tool("check", self.out).returncode, 0)
        # The catalogue the build bundles with the program is the same, and also sound.
        check = self.run_tool("check", BUILT)
        self.assertEqual(check.returncode, 0, check.stderr)
        self.assertEqual(snapshot(self.out), snapshot(BUILT))

        with open(os.path.join(self.out, CATALOGUE), encoding="utf-8") as f:
            lines = f.read().split("\n")
        count = int(lines[0])
        records = [lines[1 + 4 * i: 5 + 4 * i] for i in range(count)]
        self.assertGreaterEqual(count, 40)
        self.assertGreaterEqual(len({r[0] for r in records}), 10)
        with open(os.path.join(self.out, FLAGS)) as f:
            self.assertEqual(f.read(), "1" * count + "\n")
        for n in range(1, count + 1):
            with open(os.path.join(self.out, address_file(n))) as f:
                self.assertRegex(f.read(), r"^https?://[^\s]+\n$")
        # Every station names its source in a comment above it.
        with open(STATIONS, encoding="utf-8") as f:
            text = f.read()
        self.assertGreaterEqual(text.count("# Source:"), len({r[0] for r in records}))

    def test_faults_of_a_list_are_each_reported_and_nothing_is_written(self):
        good = self.write("good.tsv", station("Norway", "Good") + "\n")
        self.assertEqual(self.run_tool("build", good, self.out).returncode, 0)
        self.old_catalogue = snapshot(self.out)
        before = os.listdir(self.dir.name)
        faults = self.write("faults.tsv", "\n".join([
            "# comment line",
            station("Norway", "Fine"),
            "Norway\tNo address\tAbout\t1",                          # 3: a missing column
            station("Norway", ""),                                    # 4: an empty name
            station("Norway", "Jazz # late"),                         # 5: cut at its "#"
            station("Norway", "Fine"),                                # 6: a duplicate name
            station("Norway", "Spaced", "http://radio.test/a b.mp3"),  # 7: an address with a blank
            station("Norway", "Paged", about="Plays in an HTML5 page"),  # 8: taken for a web page
            station("Norway", "Maybe", offered="yes"),                # 9: offered is not 1 or 0
            station("", "Nowhere"),                                   # 10: no country
            station("Norway", "Relative", "radio.test/live"),         # 11: no scheme
            "",
            "  # an indented comment",
            station("Norway", "#1 Hits"),                             # a "#" at position 0 stays
        ]) + "\n")
        self.write("latin1.tsv", station("Norway", "Bl\xe5") + "\n", "latin-1")

        result = self.run_tool("build", faults, self.out)
        self.assert_lines_reported(result, faults, [3, 4, 5, 6, 7, 8, 9, 10, 11])
        self.assertIn("nothing written", result.stderr)
        self.assert_nothing_written(before + ["faults.tsv", "latin1.tsv"])
        latin1 = os.path.join(self.dir.name, "latin1.tsv")
        self.assert_lines_reported(self.run_tool("build", latin1, self.out), latin1, [1])
        self.assert_nothing_written(before + ["faults.tsv", "latin1.tsv"])

    def test_a_list_longer_than_the_program_reads_is_refused(self):
        lines = [station("Country %d" % (i % 50), "Station %d" % i,
                         "https://radio.test/%d.mp3" % i) for i in range(100000)]
        big = self.write("big.tsv", "\n".join(lines) + "\n")
        result = self.run_tool("build", big, self.out)
        # The catalogue passes the program's 102400-byte read first, then its 10240 flags.
        size, limit_line = len("100000\n"), None
        for i in range(100000):
            size += len("Country %d\nAbout\n%d\nStation %d\n" % (i % 50, i + 1, i))
            if size > 102400:
                limit_line = i + 1
                break
        self.assert_lines_reported(result, big, [limit_line, 10241])
        self.assertFalse(os.path.exists(self.out))
        self.assertEqual(sorted(os.listdir(self.dir.name)), ["big.tsv"])

    def test_check_reports_each_fault_of_a_folder_with_its_line(self):
        names = ["A", "B", "C", "D"]
        good = self.write("good.tsv", "".join(station("Chile", n) + "\n" for n in names))
        topics = self.write("topics.txt", "books\nhome and garden\n")
        result = self.run_tool("build", good, self.out, "--shopping-root", "http://shop.test/",
                               "--shopping", topics)
        self.assertEqual(result.returncode, 0, result.stderr)
        self.assertEqual(self.run_tool("check", self.out).returncode, 0)
        with open(os.path.join(self.out, "Sonavia/shopping.rd"), "rb") as f:
            self.assertEqual(f.read(), b"2\r\nbooks\r\nhome and garden\r\n")

        def damage(path, text):
            with open(os.path.join(self.out, path), "w") as f:
                f.write(text)

        # Header 5 over four records; line 9 cut at its "#"; D named like B; flags for three.
        damage(CATALOGUE, "5\nChile\nAbout\n1\nA\nChile\nAbout\n2\nB\nChile\nAbo#ut\n3\nC\n"
                          "Chile\nAbout\n4\nB\n")
        damage(FLAGS, "111\n")
        damage(address_file(3), "")
        os.remove(os.path.join(self.out, address_file(1)))
        result = self.run_tool("check", self.out)
        catalogue = os.path.join(self.out, CATALOGUE)
        self.assert_lines_reported(result, catalogue, [1, 5, 11, 13, 17])
        self.assert_lines_reported(result, os.path.join(self.out, FLAGS), [1])

        # A name that is empty once cleaned ends the catalogue there.
        damage(CATALOGUE, "2\nChile\nAbout\n1\nA\nChile\nAbout\n2\n\t\n")
        damage(FLAGS, "1111\n")
        for n in (1, 3):
            damage(address_file(n), "https://radio.test/%d\n" % n)
        result = self.run_tool("check", self.out)
        self.assert_lines_reported(result, catalogue, [1, 9])

    def test_build_replaces_a_catalogue_but_no_other_folder(self):
        first = self.write("first.tsv", "".join(station("Peru", "S%d" % i) + "\n" for i in range(3)))
        second = self.write("second.tsv", station("Peru", "Only") + "\n")
        self.assertEqual(self.run_tool("build", first, self.out).returncode, 0)
        self.assertEqual(self.run_tool("build", second, self.out).returncode, 0)
        self.assertEqual(sorted(snapshot(self.out)), sorted([CATALOGUE, FLAGS, address_file(1)]))
        self.assertEqual(sorted(os.listdir(self.dir.name)), ["first.tsv", "out", "second.tsv"])

        result = self.run_tool("build", second, self.dir.name)
        self.assertNotEqual(result.returncode, 0)
        self.assertIn("not part of a catalogue", result.stderr)
        self.assertEqual(sorted(os.listdir(self.dir.name)), ["first.tsv", "out", "second.tsv"])


if __name__ == "__main__":
    RADIOCAT, STATIONS, BUILT = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1])
