// Measures the media player on real icecast2 streams, with the event loop running as in the
// program: how long an open takes to give decoded audio and how long the interface thread
// stalls meanwhile, how soon failures are known, how soon a stream plays again once its server
// returns, and the CPU time and peak memory of 30 s of playback.
//
//   bench_player [seconds]      (default 30; the audio goes to a fakesink that keeps real time
//                                unless SONAVIA_AUDIO_SINK names another output)
//   bench_player flap [seconds] (default 300: the requests a server that plays 0.4 s and then
//                                closes gets over that time, and when the player gives it up)
#include "StallMeter.h"
#include "StreamServers.h"
#include "player/CMediaPlayer.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <gst/gst.h>
#include <string>
#include <sys/resource.h>

namespace {

using sonavia::CMediaPlayer;
using sonavia::test::StallMeter;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr int kDefaultSeconds = 30;
constexpr int kOpenRounds = 5;
constexpr int kReturnRounds = 3;
constexpr int kServerDownMs = 10000;
constexpr auto kAudioWait = 20s;

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

double Ms(Clock::duration duration) {
    return std::chrono::duration<double, std::milli>(duration).count();
}

double Ms(Clock::rep from, Clock::rep to) {
    return Ms(Clock::duration(to - from));
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

// Runs the interface thread's events for `ms`.
void RunEvents(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

// Runs the interface thread's events until `done` holds or `limit` passes.
bool RunEventsUntil(const std::function<bool()>& done, Clock::duration limit) {
    const auto end = Clock::now() + limit;
    while (!done()) {
        if (Clock::now() > end) {
            return false;
        }
        RunEvents(1);
    }
    return true;
}

bool MakeToneMp3(const std::string& file) {
    QProcess tool;
    tool.start("gst-launch-1.0",
               {"-q", "audiotestsrc", "num-buffers=430", "freq=440", "!", "audioconvert", "!",
                "lamemp3enc", "target=bitrate", "bitrate=128", "cbr=true", "!", "filesink",
                "location=" + QString::fromStdString(file)});
    return tool.waitForFinished(30000) && tool.exitCode() == 0;
}

void TimeFailure(CMediaPlayer& player, const char* what, const std::string& address) {
    bool failed = false;
    const auto connection =
        QObject::connect(&player, &CMediaPlayer::OpenFailed, [&failed] { failed = true; });
    StallMeter stalls;
    const auto start = Clock::now();
    const bool accepted = player.OpenAddress(address);
    const double callMs = Ms(Clock::now() - start);
    const bool reported = accepted && RunEventsUntil([&failed] { return failed; }, 40s);
    std::printf("  %-30s %s after %7.1f ms (open call %5.1f ms, longest stall %3lld ms)\n", what,
                reported ? "failed" : "NOT REPORTED", Ms(Clock::now() - start), callMs,
                stalls.LongestMs());
    QObject::disconnect(connection);
}

// A server that plays a moment and closes, again and again: how many times the player asks it.
int MeasureFlapping(int seconds) {
    constexpr int kDefaultFlapSeconds = 300;
    seconds = seconds > 0 ? seconds : kDefaultFlapSeconds;
    sonavia::test::TempDir media;
    if (!MakeToneMp3((media / "tone.mp3").string())) {
        std::fprintf(stderr, "could not make the tone\n");
        return 1;
    }
    sonavia::test::FaultServer faults(media / "tone.mp3");
    CMediaPlayer player;
    if (!faults.Started() || player.Create() != CMediaPlayer::Setup::Ready) {
        std::fprintf(stderr, "could not start the fault server or the player\n");
        return 1;
    }
    int drops = 0;
    double failedAt = -1;
    const auto start = Clock::now();
    QObject::connect(&player, &CMediaPlayer::Dropped, [&drops] { ++drops; });
    QObject::connect(&player, &CMediaPlayer::OpenFailed,
                     [&failedAt, start] { failedAt = Ms(Clock::now() - start) / 1000; });
    player.OpenAddress(faults.Url("/flap.mp3"));
    RunEvents(seconds * 1000);
    std::printf("a server that plays 0.4 s and closes, over %d s: %d requests, %d drops, ", seconds,
                faults.FlapRequests(), drops);
    if (failedAt >= 0) {
        std::printf("given up (reported failed) after %.1f s\n", failedAt);
    } else {
        std::printf("never reported failed\n");
    }
    return 0;
}

// Plays one kind of station ("mp3", or "hls": ten seconds of tone as an MPEG transport stream in
// five segments) for a while in this process, and prints its memory then.
int MeasureMemoryOf(const std::string& kind) {
    constexpr int kPlayMs = 8000;
    constexpr int kSegments = 5;
    constexpr std::size_t kPacketBytes = 188;
    sonavia::test::TempDir media;
    sonavia::test::FileServer files;
    const auto whole = media / (kind == "hls" ? "tone.ts" : "tone.mp3");
    const bool made =
        kind == "hls"
            ? QProcess::execute(
                  QStringLiteral("gst-launch-1.0"),
                  {QStringLiteral("-q"), QStringLiteral("audiotestsrc"),
                   QStringLiteral("num-buffers=430"), QStringLiteral("!"),
                   QStringLiteral("audioconvert"), QStringLiteral("!"),
                   QStringLiteral("lamemp3enc"), QStringLiteral("!"),
                   QStringLiteral("mpegaudioparse"), QStringLiteral("!"),
                   QStringLiteral("mpegtsmux"), QStringLiteral("!"), QStringLiteral("filesink"),
                   QStringLiteral("location=") + QString::fromStdString(whole.string())}) == 0
            : MakeToneMp3(whole.string());
    if (!files.Started() || !made) {
        std::fprintf(stderr, "could not make the %s station\n", kind.c_str());
        return 1;
    }
    const std::string stream = sonavia::test::ReadFileBytes(whole);
    std::string address = files.Url("tone.mp3");
    if (kind == "hls") {
        const std::size_t segmentBytes = stream.size() / kSegments / kPacketBytes * kPacketBytes;
        std::string list = "#EXTM3U\n#EXT-X-TARGETDURATION:2\n";
        for (int i = 0; i < kSegments; ++i) {
            const std::string name = "segment" + std::to_string(i) + ".ts";
            files.AddFile(name,
                          stream.substr(i * segmentBytes,
                                        i + 1 < kSegments ? segmentBytes : std::string::npos));
            list += "#EXTINF:2.0,\n" + name + "\n";
        }
        files.AddFile("tone.m3u8", list + "#EXT-X-ENDLIST\n");
        address = files.Url("tone.m3u8");
    } else {
        files.AddFile("tone.mp3", stream);
    }
    CMediaPlayer player;
    if (player.Create() != CMediaPlayer::Setup::Ready || !player.OpenAddress(address)) {
        std::fprintf(stderr, "the player could not play %s\n", address.c_str());
        return 1;
    }
    RunEvents(kPlayMs);
    std::printf("%s %.1f %.1f\n", kind.c_str(), StatusKb("VmRSS:") / 1024.0,
                StatusKb("VmHWM:") / 1024.0);
    player.Stop();
    return 0;
}

// The memory of a process that plays an MP3 station and of one that plays an HTTP live stream,
// each in a process of its own, since memory once taken is seldom given back.
int MeasureMemory(const char* program) {
    std::printf("memory playing, each kind in a process of its own (target: HTTP live stream "
                "within 20 MB of MP3)\n");
    for (const char* kind : {"mp3", "hls"}) {
        QProcess run;
        run.start(QString::fromLocal8Bit(program),
                  {QStringLiteral("memory"), QString::fromLatin1(kind)});
        if (!run.waitForFinished(60000) || run.exitCode() != 0) {
            std::fprintf(stderr, "measuring %s failed\n", kind);
            return 1;
        }
        const QList<QByteArray> figures = run.readAllStandardOutput().trimmed().split(' ');
        if (figures.size() == 3) {
            std::printf("  %-4s RSS %s MB, peak %s MB\n", kind, figures[1].constData(),
                        figures[2].constData());
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    if (qEnvironmentVariableIsEmpty(CMediaPlayer::kAudioSinkVariable)) {
        qputenv(CMediaPlayer::kAudioSinkVariable, "fakesink");
    }
    if (argc > 1 && std::string(argv[1]) == "flap") {
        return MeasureFlapping(argc > 2 ? std::atoi(argv[2]) : 0);
    }
    if (argc > 1 && std::string(argv[1]) == "memory") {
        return argc > 2 ? MeasureMemoryOf(argv[2]) : MeasureMemory(argv[0]);
    }
    const int seconds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultSeconds;

    sonavia::test::TempDir media;
    sonavia::test::IcecastServer icecast;
    sonavia::test::FileServer files;
    if (!icecast.Started() || !files.Started() || !MakeToneMp3((media / "tone.mp3").string()) ||
        !icecast.AddToneMounts({{"/tone.ogg", sonavia::test::ToneCodec::Vorbis},
                                {"/tone.mp3", sonavia::test::ToneCodec::Mp3}})) {
        std::fprintf(stderr, "could not start icecast2 or the HTTP server\n");
        return 1;
    }
    sonavia::test::FaultServer faults(media / "tone.mp3");
    if (!faults.Started()) {
        std::fprintf(stderr, "could not start the fault server\n");
        return 1;
    }
    files.AddFile("page.html", "<!DOCTYPE html><html><body>page</body></html>\n");
    files.AddFile("tone.pls", "[playlist]\nFile1=" + icecast.Url("/tone.ogg") + "\n");
    files.AddFile("tone.m3u", icecast.Url("/tone.mp3") + "\n");
    // Eight playlists of eight, answered after a second each, none of them leading to audio.
    std::string top = "[playlist]\n";
    for (int i = 1; i <= 8; ++i) {
        std::string nested = "[playlist]\n";
        for (int j = 1; j <= 8; ++j) {
            nested += "File" + std::to_string(j) + "=" +
                      faults.Url("/slow/leaf" + std::to_string(j) + ".pls") + "\n";
        }
        sonavia::test::WriteFileBytes(faults.Folder() / ("n" + std::to_string(i) + ".pls"), nested);
        top += "File" + std::to_string(i) + "=" +
               faults.Url("/slow/n" + std::to_string(i) + ".pls") + "\n";
    }
    sonavia::test::WriteFileBytes(faults.Folder() / "top.pls", top);

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

    std::printf("open to first decoded audio, event loop running (%d rounds each; target for "
                "the longest stall: under 20 ms)\n",
                kOpenRounds);
    const std::pair<const char*, std::string> kinds[] = {
        {"Ogg mount", icecast.Url("/tone.ogg")},
        {"MP3 mount", icecast.Url("/tone.mp3")},
        {".pls", files.Url("tone.pls")},
        {".m3u", files.Url("tone.m3u")},
        {"MP3 at real time, no burst", faults.Url("/realtime.mp3")}};
    for (const auto& [kind, address] : kinds) {
        double openSum = 0, byteSum = 0, callSum = 0, networkSum = 0;
        qint64 longestStall = 0;
        int played = 0;
        for (int round = 0; round < kOpenRounds; ++round) {
            player.Stop();
            RunEvents(100);
            first.Reset();
            StallMeter stalls;
            const auto start = Clock::now();
            if (!player.OpenAddress(address)) {
                std::fprintf(stderr, "opening %s was refused\n", address.c_str());
                return 1;
            }
            callSum += Ms(Clock::now() - start);
            if (!RunEventsUntil([&first] { return first.audio != 0; }, kAudioWait)) {
                continue;
            }
            // The stall counts until the open has settled into playing.
            RunEvents(500);
            longestStall = std::max(longestStall, stalls.LongestMs());
            ++played;
            const auto startRep = start.time_since_epoch().count();
            openSum += Ms(startRep, first.audio);
            byteSum += Ms(first.network, first.audio);
            networkSum += Ms(startRep, first.network);
        }
        const double n = std::max(played, 1);
        std::printf("  %-27s played %d/%d: open->audio %6.1f ms, open->first byte %6.1f ms, first "
                    "byte->audio %5.1f ms, open call %4.2f ms, longest stall %3lld ms\n",
                    kind, played, kOpenRounds, openSum / n, networkSum / n, byteSum / n,
                    callSum / kOpenRounds, longestStall);
    }

    std::printf("failures known (reported by signal)\n");
    TimeFailure(player, "refused connection",
                "http://127.0.0.1:" + std::to_string(sonavia::test::FreePort()) + "/");
    TimeFailure(player, "404", files.Url("missing.ogg"));
    TimeFailure(player, "HTML page", files.Url("page.html"));
    TimeFailure(player, "headers, then no audio", faults.Url("/headers.mp3"));
    TimeFailure(player, "8 of 8 nested, 1 s per reply", faults.Url("/slow/top.pls"));

    std::printf("server stopped for %d s and started again: its return to decoded audio "
                "(target under 2 s)\n",
                kServerDownMs / 1000);
    {
        sonavia::test::IcecastServer own;
        if (!own.Started() || !own.AddToneMount("/tone.mp3", sonavia::test::ToneCodec::Mp3)) {
            std::fprintf(stderr, "could not start the second icecast2\n");
            return 1;
        }
        player.Stop();
        player.OpenAddress(own.Url("/tone.mp3"));
        RunEventsUntil([&first] { return first.audio != 0; }, kAudioWait);
        for (int round = 0; round < kReturnRounds; ++round) {
            RunEvents(2000);
            own.Stop();
            RunEvents(kServerDownMs);
            first.Reset();
            const bool restarted = own.Restart([](std::chrono::milliseconds pause) {
                RunEvents(static_cast<int>(pause.count()));
            });
            const auto returned = Clock::now();
            if (!restarted) {
                std::fprintf(stderr, "icecast2 did not come back\n");
                return 1;
            }
            const bool audio = RunEventsUntil([&first] { return first.audio != 0; }, kAudioWait);
            // Audio may come before the restart's own check has seen the mount serve.
            const double ms =
                std::max(0.0, Ms(returned.time_since_epoch().count(), first.audio.load()));
            if (audio) {
                std::printf("  round %d: %7.1f ms\n", round + 1, ms);
            } else {
                std::printf("  round %d: no audio within %lld s\n", round + 1,
                            static_cast<long long>(kAudioWait.count()));
            }
        }
        player.Stop();
    }

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
