#include "ToneAnalysis.h"

#include <QElapsedTimer>
#include <QTest>
#include <cmath>
#include <cstring>
#include <gst/app/gstappsink.h>

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
