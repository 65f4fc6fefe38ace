#include "ToneAnalysis.h"

#include <QElapsedTimer>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <gst/app/gstappsink.h>
#include <optional>
#include <vector>

namespace sonavia::test {

namespace {

// Appends one sample's data; false when the sink holds none.
bool TakeSample(GstElement* appSink, Audio& audio) {
    GstSample* sample = gst_app_sink_try_pull_sample(GST_APP_SINK(appSink), 0);
    if (sample == nullptr) {
        return false;
    }
    if (audio.rate == 0) {
        const GstStructure* format = gst_caps_get_structure(gst_sample_get_caps(sample), 0);
        gst_structure_get_int(format, "rate", &audio.rate);
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
    return true;
}

} // namespace

Audio CollectAudio(GstElement* appSink, double seconds, int timeoutMs) {
    Audio audio;
    QElapsedTimer sinceData;
    sinceData.start();
    const auto enough = [&] {
        while (TakeSample(appSink, audio)) {
            sinceData.restart();
        }
        return audio.rate > 0 &&
               audio.samples.size() >= static_cast<std::size_t>(seconds * audio.rate);
    };
    while (!enough() && sinceData.elapsed() < timeoutMs) {
        QTest::qWait(10);
    }
    return audio;
}

void DropHeldAudio(GstElement* appSink) {
    Audio dropped;
    while (TakeSample(appSink, dropped)) {
        dropped.samples.clear();
    }
}

double ToneFrequency(const Audio& audio) {
    // The median period between upward zero crossings: a short gap in the audio (an output that
    // ran dry for a moment on a loaded machine) changes a few periods, not the tone's pitch. A
    // small dead band keeps noise around zero from counting.
    constexpr float kBand = 0.01F;
    std::vector<std::size_t> periods;
    std::optional<std::size_t> previous;
    bool below = !audio.samples.empty() && audio.samples.front() < 0;
    for (std::size_t i = 0; i < audio.samples.size(); ++i) {
        if (below && audio.samples[i] > kBand) {
            if (previous) {
                periods.push_back(i - *previous);
            }
            previous = i;
            below = false;
        } else if (!below && audio.samples[i] < -kBand) {
            below = true;
        }
    }
    if (audio.rate == 0 || periods.empty()) {
        return 0;
    }
    const auto middle = periods.begin() + static_cast<std::ptrdiff_t>(periods.size() / 2);
    std::nth_element(periods.begin(), middle, periods.end());
    return static_cast<double>(audio.rate) / static_cast<double>(*middle);
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
