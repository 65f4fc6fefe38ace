"""The volume that the user set, as each sound server that users run plays it: PulseAudio as it
comes (it keeps no volumes), PulseAudio keeping each program's volume (as desktops set it up),
PipeWire with its PulseAudio server, and an ALSA output (ALSA's PulseAudio device, so that what it
plays can be recorded). On each, the sound stays at the user's volume across a click
in the list, Random Channel and a reconnection; the levels heard are printed.

usage: sound_servers_test.py PROGRAM ARCHIVE RADIOCAT [unittest arguments]
"""

import sys
import time
import unittest

import rig
from radio_window_test import HIDE, RANDOM_CHANNEL, TREE, Radio, levels

VOLUME = 15
# The demo's stations peak between 0.3 (the square) and 0.7 (the chord) of full scale, the sine
# at 0.5. A server mixes the program's mono stream into its stereo sink and back to the mono of
# the recording in its own way (PipeWire's comes out louder): the sine at the start measures it.
SINE_PEAK = 0.5 * VOLUME / 100
QUIETEST = 0.3 * VOLUME / 100 * 0.6
LOUDEST = 0.7 * VOLUME / 100 * 1.3
FADE_SECONDS = VOLUME * 0.05 + 0.5
OUTAGE = 3.0


def peak(samples):
    return max((abs(s) for s in samples), default=0) / 32768


class SoundServerTest:
    KIND = None
    SINK = "pulsesink"

    @classmethod
    def setUpClass(cls):
        cls.rig = rig.Rig(tray=True, pulse=cls.KIND)

    @classmethod
    def tearDownClass(cls):
        cls.rig.stop()

    def tearDown(self):
        self.rig.stop_programs()

    def assert_at_volume(self, radio, what, station):
        radio.wait_heard(station)
        heard = radio.program.recording.wait_for(1.0, 5)
        level = peak(heard) / self.mix
        print("%s, %s: %s at volume %d peaks at %.3f (RMS %.4f), streams at %s %%" % (
            type(self).__name__, what, station.name, VOLUME, level, rig.rms(heard) / self.mix,
            self.rig.pulse.stream_volumes()), file=sys.stderr)
        self.assertTrue(QUIETEST < level < LOUDEST,
                        "%s: %s plays at the user's volume (peak %.3f)" % (what, station.name,
                                                                           level))

    def test_the_users_volume_holds_across_changes_of_station_and_a_reconnection(self):
        first = self.rig.servers.station("Fjord Tone")
        radio = Radio(self, self.rig.start(self.rig.folder({
            "channel.dat": "package0\n%s\n" % first.name,
            "setting.dat": "1\n1\n0\n0\n%d\n" % VOLUME}), {"SONAVIA_AUDIO_SINK": self.SINK}))
        radio.wait_window()
        radio.wait_heard(first)
        time.sleep(FADE_SECONDS)
        self.mix = peak(radio.program.recording.wait_for(1.0, 5)) / SINE_PEAK
        self.assertTrue(0.8 < self.mix < 1.6, "the start plays at the user's volume")
        self.assert_at_volume(radio, "start", first)

        # The tray's Resume, with the window hidden, comes up from silence step by step.
        radio.click(*HIDE)
        radio.wait_hidden()
        radio.tray_menu(2)
        radio.wait_silent()
        asked = time.monotonic()
        radio.tray_menu(2)
        start = radio.program.recording.sound_after(asked)
        self.assertIsNotNone(start, "Resume plays")
        fade = [level / self.mix for level in
                levels(radio.program.recording.heard(asked + start, FADE_SECONDS))]
        print("%s, the tray's Resume: levels %s" % (
            type(self).__name__, " ".join("%.3f" % level for level in fade)), file=sys.stderr)
        steady = SINE_PEAK / 2 ** 0.5
        self.assertLess(fade[0], steady * 0.3, "it comes up from silence")
        self.assertGreaterEqual(len([l for l in fade if l < steady * 0.8]), 5, "step by step")
        radio.tray_menu(0)
        radio.wait_window()

        rows = radio.tree_rows(radio.shot())
        self.assertEqual(len(rows), 2, "the two stations of Norway")
        radio.new_addresses(wait=False)
        radio.click(TREE[0] + 150, sum(rows[1]) // 2)
        clicked = self.rig.stations[radio.new_addresses()[0]]
        self.assertNotEqual(clicked, first)
        self.assert_at_volume(radio, "a click in the list", clicked)

        radio.click(RANDOM_CHANNEL[0] + 28, RANDOM_CHANNEL[1] + 32)
        picked = self.rig.stations[radio.new_addresses()[0]]
        self.assert_at_volume(radio, "Random Channel", picked)

        icecast = self.rig.servers.icecast
        icecast.stop_feed(picked)
        try:
            time.sleep(OUTAGE)
        finally:
            icecast.start_feed(picked)
        self.assertIsNotNone(radio.program.recording.sound_after(
            icecast.feeds_started[picked.mount]), "the station comes back")
        self.assert_at_volume(radio, "a reconnection", picked)


class PulseAudioTest(SoundServerTest, unittest.TestCase):
    KIND = "pulseaudio"


class RestoringPulseAudioTest(SoundServerTest, unittest.TestCase):
    KIND = "restore"


class PipeWireTest(SoundServerTest, unittest.TestCase):
    KIND = "pipewire"


class AlsaTest(SoundServerTest, unittest.TestCase):
    KIND = "pulseaudio"
    SINK = "alsasink device=pulse"


if __name__ == "__main__":
    rig.main()
