"""scripts/bench.sh runs every benchmark program of the build, whatever else lies beside them.

usage: bench_script_test.py SOURCE_DIR
"""

import os
import shutil
import stat
import subprocess
import sys
import tempfile
import unittest

SOURCE = None


def write_program(path, text):
    with open(path, "w") as f:
        f.write("#!/bin/sh\n" + text + "\n")
    os.chmod(path, os.stat(path).st_mode | stat.S_IXUSR)


class BenchScriptTest(unittest.TestCase):
    def test_runs_every_benchmark_and_skips_the_builds_own_folders(self):
        with tempfile.TemporaryDirectory(prefix="sonavia-bench-") as root:
            # A copy of the script in a tree of its own, with a build step that does nothing.
            os.mkdir(os.path.join(root, "scripts"))
            shutil.copy(os.path.join(SOURCE, "scripts", "bench.sh"), os.path.join(root, "scripts"))
            write_program(os.path.join(root, "scripts", "build.sh"), "exit 0")
            bench = os.path.join(root, "build", "bench")
            for folder, name, text in (("catalogue", "bench_fetch", "echo fetch figures"),
                                       ("player", "bench_player", "echo player broke; exit 3"),
                                       ("controls", "bench_shape", "echo shape figures")):
                os.makedirs(os.path.join(bench, folder, name + "_autogen", "include"))
                write_program(os.path.join(bench, folder, name), text)
            with open(os.path.join(bench, "controls", "bench_notes.txt"), "w") as f:
                f.write("not a program\n")

            result = subprocess.run(["bash", os.path.join(root, "scripts", "bench.sh")],
                                    capture_output=True, text=True, timeout=60)
            for figures in ("fetch figures", "player broke", "shape figures"):
                self.assertIn(figures, result.stdout)
            self.assertNotIn("autogen", result.stdout + result.stderr)
            # The failed benchmark fails the run, after the others have run.
            self.assertNotEqual(result.returncode, 0)
            self.assertIn("bench_player", result.stderr)


if __name__ == "__main__":
    SOURCE = os.path.realpath(sys.argv[1])
    unittest.main(argv=sys.argv[:1], verbosity=2)
