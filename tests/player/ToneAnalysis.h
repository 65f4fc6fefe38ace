#pragma once

#include <cstddef>
#include <gst/gst.h>
#include <vector>

// Decoded audio taken from the player's test output (an appsink giving mono 32-bit floats).
namespace sonavia::test {

struct Audio {
    std::vector<float> samples;
    int rate = 0;
};

// Collects `seconds` of audio from the appsink while the interface thread's events run, as they
// do in the program; fewer samples when none come for `timeoutMs`.
Audio CollectAudio(GstElement* appSink, double seconds, int timeoutMs = 5000);
// Drops what the sink holds now, so that what is collected next was decoded after a change.
void DropHeldAudio(GstElement* appSink);

// The frequency from the rate of upward zero crossings.
double ToneFrequency(const Audio& audio);
double RootMeanSquare(const Audio& audio);

} // namespace sonavia::test
