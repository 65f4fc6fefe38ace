#include "ToneAnalysis.h"

#include <cmath>
#include <cstring>
#include <gst/app/gstappsink.h>

namespace sonavia::test {

namespace {

// Long enough for the player to fill its buffer before it plays.
constexpr GstClockTime kPullTimeout = 5 * GST_SECOND;

} // namespace

Audio PullAudio(GstElement* appSink, double seconds) {
    Audio audio;
    std::size_t wanted = 0;
    while (audio.rate == 0 || audio.samples.size() < wanted) {
        GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(appSink), kPullTimeout);
        if (sample == nullptr) {
            break;
        }
        if (audio.rate == 0) {
            const GstStructure* format = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
            gst_structure_get_int(format, "rate", &audio.rate);
            wanted = static_cast<std::size_t>(seconds * audio.rate);
        }
        GstMapInfo map;
        GstBuffer* buffer = gst_sample_get_buffer(sample);
        if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            const std::size_t count = map.size / sizeof(float);
            const std::size_t old = audio.samples.size();
            audio.samples.resize(old + count);
            std::memcpy(audio.samples.data() + old, map.data, count * sizeof(float));
            gst_buffer_unmap(buffer, &map);
        }
        gst_sample_unref(sample);
    }
    return audio;
}

void DrainAudio(GstElement* appSink, double seconds) {
    PullAudio(appSink, seconds);
}

double ToneFrequency(const Audio& audio) {
    // Measured between the first and the last upward crossing, so that the decoder's silent
    // start does not count; a small dead band keeps noise around zero from counting.
    constexpr float kBand = 0.01F;
    int crossings = 0;
    std::size_t first = 0;
    std::size_t last = 0;
    bool below = !audio.samples.empty() && audio.samples.front() < 0;
    for (std::size_t i = 0; i < audio.samples.size(); ++i) {
        if (below && audio.samples[i] > kBand) {
            if (crossings++ == 0) {
                first = i;
            }
            last = i;
            below = false;
        } else if (!below && audio.samples[i] < -kBand) {
            below = true;
        }
    }
    if (audio.rate == 0 || crossings < 2) {
        return 0;
    }
    return (crossings - 1) * static_cast<double>(audio.rate) / static_cast<double>(last - first);
}

double RootMeanSquare(const Audio& audio) {
    if (audio.samples.empty()) {
        return 0;
    }
    double sum = 0;
    for (float sample : audio.samples) {
        sum += static_cast<double>(sample) * sample;
    }
    return std::sqrt(sum / static_cast<double>(audio.samples.size()));
}

} // namespace sonavia::test
