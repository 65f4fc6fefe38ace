#include "StreamServers.h"
#include "TestSupport.h"
#include "ToneAnalysis.h"
#include "components/CMediaPlayer.h"
#include "radio/RadioState.h"

#include <QProcess>
#include <QTest>
#include <functional>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <memory>

namespace sonavia {
namespace {

using test::IcecastServer;
using test::ToneCodec;

constexpr double kToneHz = IcecastServer::kToneHz;
constexpr double kToneTolerance = 10;
constexpr double kListenSeconds = 1.0;
constexpr int kWatchdogSeconds = 120;
constexpr char kOggMount[] = "/tone.ogg";
constexpr char kMp3Mount[] = "/tone.mp3";

// Runs the interface thread's events until `done` holds or `ms` pass.
bool WaitFor(const std::function<bool()>& done, int ms) {
    return QTest::qWaitFor(done, ms);
}

// Runs a tool to its end; one that hangs is killed and counts as failed.
bool RunTool(const QString& program, const QStringList& arguments) {
    constexpr int kToolTimeoutMs = 30000;
    QProcess tool;
    tool.setStandardInputFile(QProcess::nullDevice());
    tool.start(program, arguments);
    if (!tool.waitForFinished(kToolTimeoutMs)) {
        tool.kill();
        tool.waitForFinished();
        return false;
    }
    return tool.exitStatus() == QProcess::NormalExit && tool.exitCode() == 0;
}

class PlayerTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        icecast_ = std::make_unique<IcecastServer>();
        mountsServe_ =
            icecast_->Started() &&
            icecast_->AddToneMounts({{kOggMount, ToneCodec::Vorbis}, {kMp3Mount, ToneCodec::Mp3}});
        files_ = std::make_unique<test::FileServer>();
        files_->AddFile("tone.pls", "[playlist]\nNumberOfEntries=1\nFile1=" +
                                        icecast_->Url(kOggMount) + "\nTitle1=Tone\n");
        files_->AddFile("tone.m3u", "#EXTM3U\n#EXTINF:-1,Tone\n" + icecast_->Url(kMp3Mount) + "\n");
        files_->AddFile("page.html", "<!DOCTYPE html>\n<html><body>Not a stream</body></html>\n");
    }
    static void TearDownTestSuite() {
        files_.reset();
        icecast_.reset();
    }

    void SetUp() override {
        ASSERT_TRUE(icecast_->Started());
        ASSERT_TRUE(mountsServe_) << "the tone mounts never served";
        ASSERT_TRUE(files_->Started());
        qputenv(CMediaPlayer::kAudioSinkVariable, "appsink");
        ASSERT_EQ(player_.Create(), CMediaPlayer::Setup::Ready);
        radio::streamPlaying = false;
        radio::bufferingFinished = false;
    }

    GstElement* Sink() const {
        GstElement* sink = nullptr;
        g_object_get(player_.Playbin(), "audio-sink", &sink, nullptr);
        gst_object_unref(sink); // playbin keeps its own reference
        return sink;
    }

    // Plays `address` and checks that a second of its audio is the tone.
    void ExpectTone(const std::string& address) {
        SCOPED_TRACE(address);
        ASSERT_TRUE(player_.OpenAddress(address));
        const test::Audio audio = test::PullAudio(Sink(), kListenSeconds);
        ASSERT_GT(audio.rate, 0);
        EXPECT_NEAR(test::ToneFrequency(audio), kToneHz, kToneTolerance);
        EXPECT_GT(test::RootMeanSquare(audio), 0.1);
    }

    static std::unique_ptr<IcecastServer> icecast_;
    static std::unique_ptr<test::FileServer> files_;
    static inline bool mountsServe_ = false;
    test::Watchdog watchdog_{kWatchdogSeconds};
    CMediaPlayer player_;
};

std::unique_ptr<IcecastServer> PlayerTest::icecast_;
std::unique_ptr<test::FileServer> PlayerTest::files_;

TEST_F(PlayerTest, DecodesTheToneFromBothMountsAndThroughPlaylists) {
    ExpectTone(icecast_->Url(kOggMount));
    ExpectTone(icecast_->Url(kMp3Mount));
    ExpectTone(files_->Url("tone.pls"));
    ExpectTone(files_->Url("tone.m3u"));
    EXPECT_TRUE(player_.Stop());
}

TEST_F(PlayerTest, AnHttpLiveStreamPlaysAsAStreamAndCountsItsData) {
    // Three two-second segments of tone, their timestamps running on, and a finished playlist.
    constexpr int kSegments = 3;
    constexpr long long kSegmentNs = 1'997'000'000; // 86 buffers of 1024 samples at 44.1 kHz
    std::string playlist = "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:2\n"
                           "#EXT-X-MEDIA-SEQUENCE:0\n";
    for (int i = 0; i < kSegments; ++i) {
        const std::string name = "segment" + std::to_string(i) + ".ts";
        ASSERT_TRUE(
            RunTool("gst-launch-1.0",
                    {"-q", "audiotestsrc", "num-buffers=86", "freq=440",
                     "timestamp-offset=" + QString::number(i * kSegmentNs), "!", "audioconvert",
                     "!", "lamemp3enc", "!", "mpegaudioparse", "!", "mpegtsmux", "!", "filesink",
                     "location=" + QString::fromStdString((files_->Folder() / name).string())}));
        playlist += "#EXTINF:2.0,\n" + name + "\n";
    }
    files_->AddFile("tone.m3u8", playlist + "#EXT-X-ENDLIST\n");

    ExpectTone(files_->Url("tone.m3u8"));
    // The playlist is one small read; each segment gives at least one buffer.
    EXPECT_GE(player_.ReceivedPackets(), static_cast<std::uint64_t>(kSegments));
}

TEST_F(PlayerTest, PlaylistFallsBackToTheNextEntryWhenOneFails) {
    const std::string refused = "http://127.0.0.1:" + std::to_string(test::FreePort()) + "/gone";
    files_->AddFile("fallback.pls", "[playlist]\nNumberOfEntries=3\nFile1=" + refused +
                                        "\nFile2=" + files_->Url("missing.ogg") +
                                        "\nFile3=" + icecast_->Url(kOggMount) + "\n");
    ExpectTone(files_->Url("fallback.pls"));

    // The other formats, read by the same library.
    files_->AddFile("tone.asx", "<asx version=\"3.0\"><entry><ref href=\"" + refused +
                                    "\"/></entry><entry><ref href=\"" + icecast_->Url(kMp3Mount) +
                                    "\"/></entry></asx>\n");
    ExpectTone(files_->Url("tone.asx"));
    files_->AddFile("tone.xspf",
                    "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                    "<playlist version=\"1\" xmlns=\"http://xspf.org/ns/0/\"><trackList>"
                    "<track><location>" +
                        icecast_->Url(kOggMount) + "</location></track></trackList></playlist>\n");
    ExpectTone(files_->Url("tone.xspf"));

    // A playlist from a server never opens local files, even ones that would play.
    test::TempDir dir;
    const auto local = dir / "tone.ogg";
    ASSERT_TRUE(
        RunTool("gst-launch-1.0",
                {"-q", "audiotestsrc", "num-buffers=50", "!", "audioconvert", "!", "vorbisenc", "!",
                 "oggmux", "!", "filesink", "location=" + QString::fromStdString(local.string())}));
    ASSERT_TRUE(player_.OpenAddress(local.string()));
    files_->AddFile("dead.m3u", refused + "\n" + files_->Url("page.html") + "\nfile://" +
                                    local.string() + "\n" + local.string() + "\n");
    EXPECT_FALSE(player_.OpenAddress(files_->Url("dead.m3u")));
}

TEST_F(PlayerTest, VolumeScalesTheLevelAndMuteSilencesIt) {
    ASSERT_TRUE(player_.OpenAddress(icecast_->Url(kOggMount)));
    const double full = test::RootMeanSquare(test::PullAudio(Sink(), kListenSeconds));
    ASSERT_GT(full, 0.1);

    ASSERT_TRUE(player_.SetVolume(50));
    test::DrainAudio(Sink(), kListenSeconds);
    EXPECT_NEAR(test::RootMeanSquare(test::PullAudio(Sink(), kListenSeconds)) / full, 0.5, 0.05);

    ASSERT_TRUE(player_.SetMute(true));
    test::DrainAudio(Sink(), kListenSeconds);
    EXPECT_LT(test::RootMeanSquare(test::PullAudio(Sink(), kListenSeconds)), 0.001);

    ASSERT_TRUE(player_.SetMute(false));
    ASSERT_TRUE(player_.SetVolume(100));
    test::DrainAudio(Sink(), kListenSeconds);
    EXPECT_NEAR(test::RootMeanSquare(test::PullAudio(Sink(), kListenSeconds)) / full, 1.0, 0.05);

    EXPECT_FALSE(player_.SetVolume(101));
    EXPECT_FALSE(player_.SetVolume(-1));
}

TEST_F(PlayerTest, OpeningAStationStartsSilentForTheFadeIn) {
    ASSERT_TRUE(player_.OpenStation(icecast_->Url(kMp3Mount)));
    test::DrainAudio(Sink(), kListenSeconds / 2);
    EXPECT_LT(test::RootMeanSquare(test::PullAudio(Sink(), kListenSeconds / 2)), 0.001);
}

TEST_F(PlayerTest, BufferingStartsAndEndsAndSetsTheRadioFlags) {
    std::vector<bool> events;
    QObject::connect(&player_, &CMediaPlayer::Buffering,
                     [&events](bool started) { events.push_back(started); });
    ASSERT_TRUE(player_.OpenAddress(icecast_->Url(kMp3Mount)));
    ASSERT_TRUE(WaitFor([] { return radio::bufferingFinished; }, 15000));
    ASSERT_GE(events.size(), 2u);
    EXPECT_TRUE(events.front());
    EXPECT_FALSE(events.back());
    EXPECT_TRUE(radio::streamPlaying);
}

TEST_F(PlayerTest, ALocalFileWithoutBufferingStillReportsTheEnd) {
    test::TempDir dir;
    const auto file = dir / "tone.ogg";
    ASSERT_TRUE(
        RunTool("gst-launch-1.0", {"-q", "audiotestsrc", "num-buffers=200", "freq=440", "!",
                                   "audioconvert", "!", "vorbisenc", "!", "oggmux", "!", "filesink",
                                   "location=" + QString::fromStdString(file.string())}));

    std::vector<bool> events;
    QObject::connect(&player_, &CMediaPlayer::Buffering,
                     [&events](bool started) { events.push_back(started); });
    ASSERT_TRUE(player_.OpenAddress(file.string()));
    ASSERT_TRUE(WaitFor([] { return radio::bufferingFinished; }, 5000));
    EXPECT_EQ(events, std::vector<bool>{false});
    EXPECT_TRUE(radio::streamPlaying);
    EXPECT_GT(player_.ReceivedPackets(), 0u);
}

TEST_F(PlayerTest, RefusedMissingAndWebPageAddressesFail) {
    const std::string refused = "http://127.0.0.1:" + std::to_string(test::FreePort()) + "/";
    EXPECT_FALSE(player_.OpenAddress(refused));
    EXPECT_FALSE(player_.OpenAddress(files_->Url("missing.ogg")));
    EXPECT_FALSE(player_.OpenAddress(files_->Url("page.html")));
    EXPECT_FALSE(player_.OpenAddress(icecast_->Url("/no-such-mount")));
    EXPECT_FALSE(player_.OpenAddress("/no/such/file.ogg"));
    EXPECT_FALSE(player_.OpenAddress(""));
    // Nothing of the failed opens lingers: a good address still plays.
    ExpectTone(icecast_->Url(kOggMount));
}

TEST_F(PlayerTest, ReceivedPacketsGrowWhilePlayingAndStopWhenTheServerStops) {
    IcecastServer own;
    ASSERT_TRUE(own.Started());
    ASSERT_TRUE(own.AddToneMount(kMp3Mount, ToneCodec::Mp3));
    ASSERT_TRUE(player_.OpenAddress(own.Url(kMp3Mount)));
    QTest::qWait(500);
    const auto first = player_.ReceivedPackets();
    QTest::qWait(1000);
    const auto second = player_.ReceivedPackets();
    EXPECT_GT(first, 0u);
    EXPECT_GT(second, first);

    own.Stop();
    QTest::qWait(500);
    const auto afterStop = player_.ReceivedPackets();
    QTest::qWait(1000);
    EXPECT_EQ(player_.ReceivedPackets(), afterStop);
}

TEST(PlayerSetup, APlayerWithoutItsOutputDoesNothing) {
    qputenv(CMediaPlayer::kAudioSinkVariable, "no-such-output");
    CMediaPlayer player;
    EXPECT_EQ(player.Create(), CMediaPlayer::Setup::Incomplete);
    qunsetenv(CMediaPlayer::kAudioSinkVariable);
    EXPECT_FALSE(player.IsReady());
    EXPECT_FALSE(player.OpenAddress("http://127.0.0.1:1/"));
    EXPECT_FALSE(player.OpenStation("http://127.0.0.1:1/"));
    EXPECT_FALSE(player.SetVolume(50));
    EXPECT_FALSE(player.SetMute(true));
    EXPECT_FALSE(player.Stop());
    EXPECT_EQ(player.ReceivedPackets(), 0u);
}

TEST(PlayerSetup, WithoutGStreamerPluginsTheProgramQuitsQuietly) {
    test::TempDir dir;
    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // An empty plug-in set: GStreamer starts, but has no player element.
    environment.insert("GST_PLUGIN_SYSTEM_PATH_1_0", QString::fromStdString(dir.Path().string()));
    environment.insert("GST_PLUGIN_PATH_1_0", QString::fromStdString(dir.Path().string()));
    environment.insert("GST_REGISTRY_1_0", QString::fromStdString((dir / "registry.bin").string()));
    probe.setProcessEnvironment(environment);
    probe.start(PLAYER_PROBE, {});
    ASSERT_TRUE(probe.waitForFinished(30000));
    EXPECT_EQ(probe.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(probe.exitCode(), 0);
    EXPECT_EQ(probe.readAllStandardOutput().trimmed(), "unavailable quit-requested");
}

} // namespace
} // namespace sonavia
