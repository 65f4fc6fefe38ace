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

// Pulls `seconds` of audio from the appsink; fewer samples when the stream stops delivering.
Audio PullAudio(GstElement* appSink, double seconds);
// Drops what the sink holds already, so that what is pulled next was decoded after a change.
void DrainAudio(GstElement* appSink, double seconds);

// The frequency from the rate of upward zero crossings.
double ToneFrequency(const Audio& audio);
double RootMeanSquare(const Audio& audio);

} // namespace sonavia::test
