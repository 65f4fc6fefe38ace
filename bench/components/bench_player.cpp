// Measures the media player on a real icecast2 stream: how long an open takes to give decoded
// audio, how soon failures are known, and the CPU time and peak memory of 30 s of playback.
//
//   bench_player [seconds]      (default 30; the audio goes to a fakesink that keeps real time
//                                unless SONAVIA_AUDIO_SINK names another output)
#include "StreamServers.h"
#include "components/CMediaPlayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <gst/gst.h>
#include <string>
#include <sys/resource.h>

namespace {

using sonavia::CMediaPlayer;
using Clock = std::chrono::steady_clock;

constexpr int kDefaultSeconds = 30;
constexpr int kOpenRounds = 5;

// Times of the first buffer at the source's output and at the audio output, for one open.
struct FirstData {
    std::atomic<Clock::rep> network{0};
    std::atomic<Clock::rep> audio{0};
    void Reset() {
        network = 0;
        audio = 0;
    }
};

GstPadProbeReturn MarkFirst(GstPad*, GstPadProbeInfo*, gpointer data) {
    auto* mark = static_cast<std::atomic<Clock::rep>*>(data);
    Clock::rep expected = 0;
    mark->compare_exchange_strong(expected, Clock::now().time_since_epoch().count());
    return GST_PAD_PROBE_OK;
}

void OnSourceSetup(GstElement*, GstElement* source, gpointer data) {
    if (GstPad* pad = gst_element_get_static_pad(source, "src")) {
        gst_pad_add_probe(pad, GST_PAD_PROBE_TYPE_BUFFER, MarkFirst,
                          &static_cast<FirstData*>(data)->network, nullptr);
        gst_object_unref(pad);
    }
}

double Ms(Clock::rep from, Clock::rep to) {
    return std::chrono::duration<double, std::milli>(Clock::duration(to - from)).count();
}

long StatusKb(const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.starts_with(field)) {
            return std::stol(line.substr(std::string(field).size()));
        }
    }
    return 0;
}

double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// Runs the interface thread's events, sleeping between them, for `ms`.
void RunEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void TimeFailure(CMediaPlayer& player, const char* what, const std::string& address) {
    const auto start = Clock::now();
    const bool opened = player.OpenAddress(address);
    std::printf("  %-28s %s after %7.1f ms\n", what, opened ? "ACCEPTED (wrong)" : "failed",
                std::chrono::duration<double, std::milli>(Clock::now() - start).count());
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultSeconds;
    if (qEnvironmentVariableIsEmpty(CMediaPlayer::kAudioSinkVariable)) {
        qputenv(CMediaPlayer::kAudioSinkVariable, "fakesink");
    }

    sonavia::test::IcecastServer icecast;
    sonavia::test::FileServer files;
    if (!icecast.Started() || !files.Started() ||
        !icecast.AddToneMounts({{"/tone.ogg", sonavia::test::ToneCodec::Vorbis},
                                {"/tone.mp3", sonavia::test::ToneCodec::Mp3}})) {
        std::fprintf(stderr, "could not start icecast2 or the HTTP server\n");
        return 1;
    }
    files.AddFile("page.html", "<!DOCTYPE html><html><body>page</body></html>\n");
    files.AddFile("tone.pls", "[playlist]\nFile1=" + icecast.Url("/tone.ogg") + "\n");

    const long rssBeforeKb = StatusKb("VmRSS:");
    CMediaPlayer player;
    if (player.Create() != CMediaPlayer::Setup::Ready) {
        std::fprintf(stderr, "the player could not be set up\n");
        return 1;
    }
    const long rssCreatedKb = StatusKb("VmRSS:");
    FirstData first;
    g_signal_connect(player.Playbin(), "source-setup", G_CALLBACK(OnSourceSetup), &first);
    GstElement* sink = nullptr;
    g_object_get(player.Playbin(), "audio-sink", &sink, nullptr);
    GstPad* sinkPad = gst_element_get_static_pad(sink, "sink");
    gst_pad_add_probe(sinkPad, GST_PAD_PROBE_TYPE_BUFFER, MarkFirst, &first.audio, nullptr);

    std::printf("open to first decoded audio (%d rounds each)\n", kOpenRounds);
    for (const char* mount : {"/tone.ogg", "/tone.mp3", "pls"}) {
        const std::string address =
            std::string(mount) == "pls" ? files.Url("tone.pls") : icecast.Url(mount);
        double openSum = 0, byteSum = 0, callSum = 0, networkSum = 0;
        for (int round = 0; round < kOpenRounds; ++round) {
            player.Stop();
            first.Reset();
            const auto start = Clock::now();
            if (!player.OpenAddress(address)) {
                std::fprintf(stderr, "opening %s failed\n", address.c_str());
                return 1;
            }
            const auto returned = Clock::now();
            while (first.audio == 0 && Clock::now() - start < std::chrono::seconds(5)) {
                RunEvents(1);
            }
            callSum += std::chrono::duration<double, std::milli>(returned - start).count();
            openSum += Ms(start.time_since_epoch().count(), first.audio);
            byteSum += Ms(first.network, first.audio);
            networkSum += Ms(start.time_since_epoch().count(), first.network);
        }
        std::printf("  %s\n    open->audio %6.1f ms, open->first byte %6.1f ms, first byte->audio "
                    "%5.1f ms, open call %6.1f ms\n",
                    address.c_str(), openSum / kOpenRounds, networkSum / kOpenRounds,
                    byteSum / kOpenRounds, callSum / kOpenRounds);
    }

    std::printf("failures known\n");
    TimeFailure(player, "refused connection",
                "http://127.0.0.1:" + std::to_string(sonavia::test::FreePort()) + "/");
    TimeFailure(player, "404", files.Url("missing.ogg"));
    TimeFailure(player, "HTML page", files.Url("page.html"));

    player.Stop();
    std::printf("playback of %s for %d s\n", icecast.Url("/tone.mp3").c_str(), seconds);
    player.OpenAddress(icecast.Url("/tone.mp3"));
    const double cpuStart = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    RunEvents(seconds * 1000);
    const double cpu = CpuSeconds() - cpuStart;
    const double wallSeconds = wall.elapsed() / 1000.0;
    std::printf("  CPU %.2f %% of one core (%.3f s in %.1f s)\n", 100 * cpu / wallSeconds, cpu,
                wallSeconds);
    std::printf("  packets received %llu\n",
                static_cast<unsigned long long>(player.ReceivedPackets()));
    const long peakKb = StatusKb("VmHWM:");
    std::printf("  memory: %.1f MB before the player, %.1f MB once created, %.1f MB now\n",
                rssBeforeKb / 1024.0, rssCreatedKb / 1024.0, StatusKb("VmRSS:") / 1024.0);
    std::printf("  peak memory %.1f MB for the process, %.1f MB above its size before the player "
                "(%.1f MB)\n",
                peakKb / 1024.0, (peakKb - rssBeforeKb) / 1024.0, rssBeforeKb / 1024.0);
    player.Stop();
    gst_object_unref(sinkPad);
    gst_object_unref(sink);
    return 0;
}
