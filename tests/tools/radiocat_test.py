"""The catalogue makers' tool: build a catalogue folder from a station list or from the
community directory's station export, check a folder.

usage: radiocat_test.py RADIOCAT STATIONS.tsv BUILT_CATALOGUE
"""

import json
import os
import random
import re
import resource
import subprocess
import sys
import tempfile
import threading
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


class ToolCase(unittest.TestCase):
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


class RadiocatTest(ToolCase):
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


# Countries of the generated export: its code and how many stations it has, from many to few.
EXPORT_COUNTRIES = ["US", "DE", "FR", "GB", "IT", "ES", "NL", "RU", "BR", "CA", "PL", "AU", "AT",
                    "CH", "BE", "SE", "NO", "DK", "FI", "GR", "PT", "CZ", "HU", "RO", "TR", "MX",
                    "AR", "CL", "CO", "IN", "JP", "KR", "IL", "EG", "MA", "NG", "ZA", "NZ", "IE"]
CATALOGUE_LIMIT = 102400
NAME_LIMIT = 64


def export_record(name, address, code, votes, **fields):
    """A station as the directory's stations endpoint gives it, with fields it has that the
    catalogue does not use."""
    record = {"changeuuid": "c-%d" % votes, "stationuuid": "s-%d" % votes, "name": name,
              "url": address, "url_resolved": address, "homepage": "https://radio.test/",
              "favicon": "", "tags": "pop,rock", "country": code, "countrycode": code,
              "state": "", "language": "english", "languagecodes": ["en"], "votes": votes,
              "codec": "MP3", "bitrate": 128, "hls": 0, "lastcheckok": 1,
              "geo_lat": None, "geo_long": 12.5, "has_extended_info": False}
    record.update(fields)
    return {k: v for k, v in record.items() if v is not Ellipsis}


def generated_export(seed=31):
    """A few thousand stations with the directory's oddities, and what the import must make of
    them: the good stations by country ({code: [(votes, name)]}) and the planted faults."""
    rng = random.Random(seed)
    records, good, planted = [], {}, {}
    votes = iter(rng.sample(range(1, 10 ** 6), 10000))

    def add(record, kind=None):
        records.append(record)
        if kind:
            planted[kind] = planted.get(kind, 0) + 1

    for rank, code in enumerate(EXPORT_COUNTRIES):
        for i in range(int(1200 / (rank + 1)) + 1):
            name, v = "%s Sunshine %d FM" % (code, i), next(votes)
            add(export_record(name, "http://%s.radio.test/%d.mp3" % (code.lower(), i), code, v))
            good.setdefault(code, []).append((v, name))
    good_records = list(records)
    for i in range(400):
        add(export_record("Quiet %d" % i, "http://quiet.test/%d" % i, "FR", next(votes),
                          lastcheckok=0), "dead")
    for i in range(50):
        add(export_record("Unchecked %d" % i, "http://quiet.test/u%d" % i, "FR", next(votes),
                          lastcheckok=...), "dead")
    for i, codec in enumerate(["UNKNOWN", "MP3,H.264", "", "FLV", "WMA"] * 40):
        add(export_record("Video %d" % i, "http://video.test/%d" % i, "DE", next(votes),
                          codec=codec), "codec")
    for i in range(60):
        url = ["", "ftp://radio.test/x", "radio.test/live", "https://",
               "http://radio.test/" + "a" * 1100][i % 5]
        add(export_record("Nowhere %d" % i, url, "IT", next(votes), url=...), "address")
    for i in range(30):
        add(export_record(["", "  \u200b ", "\n\t"][i % 3] if i % 2 else ..., "http://anon.test/%d" % i,
                          "ES", next(votes)), "name")
    for i in range(40):
        add(export_record("Homeless %d" % i, "http://homeless.test/%d" % i, "", next(votes),
                          country=["", ...][i % 2]), "country")
    # Duplicates with fewer votes: the same stream (spelled otherwise), the same name.
    for record in rng.sample(good_records, 150):
        host, path = record["url"].split("://")[1].split("/", 1)
        add(export_record(record["name"] + " again", "HTTP://%s/%s/" % (host.upper(), path),
                          record["countrycode"], 0), "same address")
    for record in rng.sample(good_records, 150):
        add(export_record(record["name"].upper(), record["url"] + "?other", record["countrycode"],
                          0), "same name")
    # Names to clean: each is the best of a country of its own, so that it is kept.
    odd = {
        "KE": "\u202eMF oidaR\u202c \u0627\u0644\u0631\u0627\u062f\u064a\u0648",
        "PE": "Radio \u00d1and\u00fa # 1 html",
        "VN": "Tin T\u1ee9c\x07 \u200bFM\n2",
        "TH": "Endless " + "long name " * 1000,
        "UA": "random",
    }
    for code, name in odd.items():
        v = next(votes)
        add(export_record(name, "http://odd.test/" + code, code, 10 ** 6 + v))
        good[code] = [(10 ** 6 + v, name)]
    rng.shuffle(records)
    text = json.dumps(records, ensure_ascii=False, indent=1).encode("utf-8")
    # An 8-bit name, as some stations' servers send them: one byte for the letter.
    latin1 = export_record("Radio M\u00fcnchen 8bit", "http://odd.test/latin1", "LU", 5 * 10 ** 6)
    good["LU"] = [(5 * 10 ** 6, "Radio M\u00fcnchen 8bit")]
    text = text[:-1] + b", " + json.dumps(latin1, ensure_ascii=False).encode("latin-1") + b"]"
    return text, good, planted


def read_catalogue(folder):
    """The catalogue's records as (country, description, number, name), in order."""
    with open(os.path.join(folder, CATALOGUE), "rb") as f:
        data = f.read()
    lines = data.decode("utf-8").split("\n")
    return data, [tuple(lines[1 + 4 * i: 5 + 4 * i]) for i in range(int(lines[0]))]


def import_report(output):
    """The counts that import prints: {"read": n, "kept": n, reason: n, ...}."""
    counts = {m[1]: int(m[0]) for m in re.findall(r"^  (\d+) (.+)$", output, re.M)}
    for word in ("read", "kept", "dropped"):
        counts[word] = int(re.search(r"^%s (\d+)" % word, output, re.M).group(1))
    return counts


class ImportTest(ToolCase):
    def test_a_generated_export_fills_the_catalogue_fairly_with_clean_names(self):
        text, good, planted = generated_export()
        export = self.write("export.json", text)
        result = self.run_tool("import", export, self.out)
        self.assertEqual(result.returncode, 0, result.stderr)
        print("\n" + result.stdout, end="")
        counts = import_report(result.stdout)
        self.assertEqual(counts["read"], text.count(b'"changeuuid"'))
        self.assertEqual(counts["kept"] + counts["dropped"], counts["read"])
        self.assertEqual(counts["the stream failed its last check"], planted["dead"])
        self.assertEqual(counts["a format the player does not decode"], planted["codec"])
        self.assertEqual(counts["no http or https stream address the program can read"],
                         planted["address"])
        self.assertEqual(counts["no name"], planted["name"])
        self.assertEqual(counts["no country"], planted["country"])
        self.assertEqual(counts["the same stream address as a station with more votes"],
                         planted["same address"])
        self.assertEqual(counts["the same name in the same country as a station with more votes"],
                         planted["same name"])
        self.assertGreater(counts["no room left in the catalogue"], 0)

        check = self.run_tool("check", self.out)
        self.assertEqual(check.returncode, 0, check.stderr)
        data, records = read_catalogue(self.out)
        self.assertEqual(len(records), counts["kept"])
        self.assertLessEqual(len(data), CATALOGUE_LIMIT)
        self.assertGreater(len(data), CATALOGUE_LIMIT - 100, "the catalogue is filled")
        self.assertNotIn(b"html", data)
        self.assertNotIn(b"#", data)

        # Each country's kept stations are its best by votes, in that order, and every country
        # keeps some: more where it has more good stations.
        by_code = {code: [name for _, name in sorted(stations, reverse=True)]
                   for code, stations in good.items()}
        kept = {}
        for country, _, _, name in records:
            kept.setdefault(country, []).append(name)
        self.assertEqual(len(kept), len(good))
        shares = []
        for code in EXPORT_COUNTRIES:
            best = by_code[code]
            country = next(c for c, names in kept.items() if names[0] == best[0])
            shares.append(len(kept[country]))
            self.assertEqual(kept[country], best[:len(kept[country])], code)
        self.assertEqual(shares, sorted(shares, reverse=True))
        self.assertGreater(shares[0], 10 * shares[-1])

        # The odd names as the catalogue shows them.
        names = {country: station[0] for country, station in kept.items()}
        self.assertEqual(names["Kenya"], "MF oidaR \u0627\u0644\u0631\u0627\u062f\u064a\u0648")
        self.assertEqual(names["Peru"], "Radio \u00d1and\u00fa \uff03 1 Html")
        self.assertEqual(names["Vietnam"], "Tin T\u1ee9c FM 2")
        self.assertTrue(names["Thailand"].startswith("Endless long name"))
        self.assertTrue(names["Thailand"].endswith("\u2026"))
        self.assertLessEqual(len(names["Thailand"].encode()), NAME_LIMIT)
        self.assertEqual(names["Ukraine"], "random (UA)")
        self.assertEqual(names["Luxembourg"], "Radio M\u00fcnchen 8bit")

        # Narrowed to two countries and three stations each: their best three.
        narrow = self.run_tool("import", export, self.out, "--countries", "de,fr",
                               "--max-per-country", "3")
        self.assertEqual(narrow.returncode, 0, narrow.stderr)
        _, records = read_catalogue(self.out)
        self.assertEqual([(c, n) for c, _, _, n in records],
                         [("France", n) for n in by_code["FR"][:3]] +
                         [("Germany", n) for n in by_code["DE"][:3]])

    def test_what_is_no_station_export_is_refused_and_nothing_written(self):
        good = self.write("good.json", json.dumps([export_record("One", "http://a.test/", "NO", 1)]))
        self.assertEqual(self.run_tool("import", good, self.out).returncode, 0)
        self.old_catalogue = snapshot(self.out)
        before = os.listdir(self.dir.name)
        record = json.dumps(export_record("Two", "http://b.test/", "NO", 2))
        faults = {
            "empty.json": ("", "empty"),
            "page.json": ("<html><body>Not found</body></html>", "expected '['"),
            "object.json": (record, "expected '['"),
            "cut.json": ("[" + record + ", " + record[:40], "ends inside a text"),
            "strings.json": ('["a", "b"]', "station 1 is not an object"),
            "other.json": ('[{"id": 1, "title": "x"}]', "none of the fields"),
            "votes.json": ("[" + record[:-1] + ', "votes": "many"}]', '"votes" is a text'),
            "name.json": ("[" + record + ", " + record[:-1] + ', "name": [1]}]',
                          'station 2: "name" is an array'),
            "control.json": ('[{"name": "a\tb"}]', "control character"),
            "tail.json": ("[" + record + "] x", "more after the end"),
            "none.json": ("[]", "no station for the catalogue"),
            "dead.json": ("[" + json.dumps(export_record("Gone", "http://c.test/", "NO", 3,
                                                         lastcheckok=0)) + "]",
                          "no station for the catalogue"),
        }
        paths = {name: self.write(name, text) for name, (text, _) in faults.items()}
        for name, (_, message) in faults.items():
            result = self.run_tool("import", paths[name], self.out)
            self.assertEqual(result.returncode, 1, name)
            self.assertIn(message, result.stderr, name)
            self.assertIn("nothing written", result.stderr, name)
            self.assert_nothing_written(before + list(faults))
        self.assertEqual(self.run_tool("import", good, self.out, "--max-per-country", "0")
                         .returncode, 2)

    def test_an_export_of_500_MB_is_read_as_a_stream(self):
        # Through a pipe, so that no file of that size is made: thousands of stations, most of
        # them the same few, each with 2 KB the catalogue does not use, and one 100 MB name.
        fifo = os.path.join(self.dir.name, "export.fifo")
        os.mkfifo(fifo)
        padding = "x" * 2000
        chunk = ",".join(json.dumps(export_record(
            "Station %d" % (i % 500), "http://big.test/%d" % (i % 500), EXPORT_COUNTRIES[i % 39],
            i, favicon=padding)) for i in range(1000)).encode()
        total = 500 * 1024 * 1024

        def feed():
            with open(fifo, "wb") as f:
                f.write(b'[{"name": "')
                for _ in range(100):
                    f.write(b"n" * 1024 * 1024)
                f.write(b'", "url": "http://big.test/long", "countrycode": "NO", "codec": "MP3",'
                        b' "lastcheckok": 1}')
                written = 100 * 1024 * 1024
                while written < total:
                    f.write(b"," + chunk)
                    written += len(chunk) + 1
                f.write(b"]")

        writer = threading.Thread(target=feed)
        writer.start()
        result = self.run_tool("import", fifo, self.out)
        writer.join()
        self.assertEqual(result.returncode, 0, result.stderr)
        counts = import_report(result.stdout)
        self.assertGreater(counts["read"], 150000)
        self.assertEqual(counts["kept"], 501)
        # ru_maxrss is in KiB: the largest of the tool's runs in this test.
        peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss * 1024
        self.assertLess(peak, 64 * 1024 * 1024)


if __name__ == "__main__":
    RADIOCAT, STATIONS, BUILT = sys.argv[1:4]
    unittest.main(argv=sys.argv[:1])
