"""A fresh start with no configuration and no internet: the bundled catalogue and site pages beside
the program are what it reads, and a station that cannot be reached shows nothing and holds
nothing up.

usage: bundled_test.py PROGRAM ARCHIVE RADIOCAT
"""

import os
import shutil
import unittest

import rig

# The first station of the first country (Australia) of catalogue/stations.tsv, in the tree's
# first row, and the next one.
FIRST_STATION = (b"triple j", (150, 70))
SECOND_STATION = (b"ABC Classic", (150, 86))
WEBSITE_BUTTON = (637 + 52, 132 + 11)
VARIABLES = ("SONAVIA_CATALOGUE_BASE", "SONAVIA_SITE_BASE", "SONAVIA_SEARCH_BASE")


class BundledTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.rig = rig.Rig(tray=True)

    @classmethod
    def tearDownClass(cls):
        cls.rig.stop()

    def tearDown(self):
        self.rig.stop_programs()

    def test_the_bundled_catalogue_and_pages_serve_a_start_without_variables(self):
        folder = self.rig.folder()
        built = os.path.dirname(rig.BUILD.program)
        for data in ("catalogue", "site"):
            shutil.copytree(os.path.join(built, data), os.path.join(folder, data))
        env = {name: "" for name in VARIABLES}
        program = self.rig.start(folder, env=env)
        window = program.wait_window()

        for name, (x, y) in (FIRST_STATION, SECOND_STATION):
            program.click(window, x, y)
            self.assertTrue(rig.wait_for(
                lambda: program.file("channel.dat") == b"package0\n" + name, rig.TIMEOUT))
            # The stream cannot be reached: no message, and the window keeps its place.
            self.assertEqual(program.windows(), [window])
        self.assertEqual(self.rig.catalogue.requests(), [])

        program.click(window, *WEBSITE_BUTTON)
        self.assertTrue(program.wait_window("Sonavia Browser"))
        left, top, width, height = program.geometry(program.windows("Sonavia Browser")[0])
        # The bundled start page: dark headings and links on a light page, not an empty view.
        def page_drawn():
            shot = self.rig.desktop.screenshot()
            colours = {shot.pixel(left + x, top + y)
                       for x in range(20, width - 20, 10) for y in range(20, min(height, 200), 6)}
            return len(colours) > 3
        self.assertTrue(rig.wait_for(page_drawn, rig.TIMEOUT))
        self.assertTrue(program.running())


if __name__ == "__main__":
    rig.main()
