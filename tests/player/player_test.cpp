#include "StallMeter.h"
#include "StreamServers.h"
#include "TestSupport.h"
#include "ToneAnalysis.h"
#include "player/CMediaPlayer.h"

#include <QProcess>
#include <QTest>
#include <algorithm>
#include <climits>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <memory>
#include <sys/inotify.h>
#include <unistd.h>

namespace sonavia {
namespace {

using test::IcecastServer;
using test::StallMeter;
using test::ToneCodec;

constexpr double kToneHz = IcecastServer::kToneHz;
constexpr double kToneTolerance = 10;
constexpr double kListenSeconds = 1.0;
constexpr int kWatchdogSeconds = 240;
// Bounds for events on a loaded machine: far above what they take, far below "never".
constexpr int kEventTimeoutMs = 15000;
constexpr int kFailureSlackMs = 6000;
constexpr char kOggMount[] = "/tone.ogg";
constexpr char kMp3Mount[] = "/tone.mp3";

int Ms(std::chrono::milliseconds duration) {
    return static_cast<int>(duration.count());
}

void RunEvents(std::chrono::milliseconds pause) {
    QTest::qWait(Ms(pause));
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

bool MakeToneFile(const std::filesystem::path& file, int buffers, const QString& encoder) {
    return RunTool(
        "gst-launch-1.0",
        QStringList{"-q", "audiotestsrc", "num-buffers=" + QString::number(buffers), "freq=440",
                    "!", "audioconvert", "!"} +
            encoder.split(' ') +
            QStringList{"!", "filesink", "location=" + QString::fromStdString(file.string())});
}

// What the player reported, in order.
struct Reports {
    explicit Reports(CMediaPlayer& player) {
        QObject::connect(&player, &PlayerEngine::Buffering,
                         [this](bool started) { buffering.push_back(started); });
        QObject::connect(&player, &PlayerEngine::OpenFailed, [this] { ++failed; });
        QObject::connect(&player, &PlayerEngine::Dropped, [this] { ++dropped; });
        QObject::connect(&player, &PlayerEngine::TitleChanged,
                         [this](const QString& title) { titles.push_back(title); });
    }
    void Clear() { *this = Reports(); }
    std::vector<bool> buffering;
    int failed = 0;
    int dropped = 0;
    QStringList titles;

private:
    Reports() = default;
};

class PlayerTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        gst_init(nullptr, nullptr);
        media_ = std::make_unique<test::TempDir>();
        icecast_ = std::make_unique<IcecastServer>();
        mountsServe_ =
            icecast_->Started() &&
            icecast_->AddToneMounts({{kOggMount, ToneCodec::Vorbis}, {kMp3Mount, ToneCodec::Mp3}});
        files_ = std::make_unique<test::FileServer>();
        files_->AddFile("tone.pls", "[playlist]\nNumberOfEntries=1\nFile1=" +
                                        icecast_->Url(kOggMount) + "\nTitle1=Tone\n");
        files_->AddFile("tone.m3u", "#EXTM3U\n#EXTINF:-1,Tone\n" + icecast_->Url(kMp3Mount) + "\n");
        files_->AddFile("page.html", "<!DOCTYPE html>\n<html><body>Not a stream</body></html>\n");
        mediaMade_ = MakeHttpLiveStream() &&
                     MakeToneFile(*media_ / "tone.mp3", 430,
                                  "lamemp3enc target=bitrate bitrate=128 cbr=true") &&
                     MakeToneFile(*media_ / "local.ogg", 200, "vorbisenc ! oggmux") &&
                     MakeFilmWithTone();
        faults_ = std::make_unique<test::FaultServer>(*media_ / "tone.mp3");
    }
    static void TearDownTestSuite() {
        faults_.reset();
        files_.reset();
        icecast_.reset();
        media_.reset();
    }

    // Ten seconds of tone with pictures beside it: the player plays sound only, and still plays
    // the sound of such a stream.
    static bool MakeFilmWithTone() {
        const auto film = *media_ / "film.mkv";
        if (!RunTool("gst-launch-1.0", {"-q",
                                        "audiotestsrc",
                                        "num-buffers=430",
                                        "freq=440",
                                        "!",
                                        "audioconvert",
                                        "!",
                                        "vorbisenc",
                                        "!",
                                        "queue",
                                        "!",
                                        "matroskamux",
                                        "name=mux",
                                        "!",
                                        "filesink",
                                        "location=" + QString::fromStdString(film.string()),
                                        "videotestsrc",
                                        "num-buffers=250",
                                        "!",
                                        "video/x-raw,width=160,height=120,framerate=25/1",
                                        "!",
                                        "jpegenc",
                                        "!",
                                        "queue",
                                        "!",
                                        "mux."})) {
            return false;
        }
        files_->AddFile("film.mkv", test::ReadFileBytes(film));
        return true;
    }

    // Ten seconds of tone, encoded in one run as an MPEG transport stream and cut into five
    // segments at packet boundaries, and a finished playlist.
    static bool MakeHttpLiveStream() {
        constexpr int kSegments = 5;
        constexpr std::size_t kPacketBytes = 188;
        const auto whole = *media_ / "tone.ts";
        if (!RunTool("gst-launch-1.0",
                     {"-q", "audiotestsrc", "num-buffers=430", "freq=440", "!", "audioconvert", "!",
                      "lamemp3enc", "!", "mpegaudioparse", "!", "mpegtsmux", "!", "filesink",
                      "location=" + QString::fromStdString(whole.string())})) {
            return false;
        }
        const std::string stream = test::ReadFileBytes(whole);
        const std::size_t segmentBytes = stream.size() / kSegments / kPacketBytes * kPacketBytes;
        std::string playlist = "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:2\n"
                               "#EXT-X-MEDIA-SEQUENCE:0\n";
        for (int i = 0; i < kSegments; ++i) {
            const std::string name = "segment" + std::to_string(i) + ".ts";
            const std::size_t start = i * segmentBytes;
            files_->AddFile(
                name, stream.substr(start, i + 1 < kSegments ? segmentBytes : std::string::npos));
            playlist += "#EXTINF:2.0,\n" + name + "\n";
        }
        files_->AddFile("tone.m3u8", playlist + "#EXT-X-ENDLIST\n");
        return segmentBytes > 0;
    }

    void SetUp() override {
        ASSERT_TRUE(icecast_->Started());
        ASSERT_TRUE(mountsServe_) << "the tone mounts never served";
        ASSERT_TRUE(files_->Started());
        ASSERT_TRUE(mediaMade_);
        ASSERT_TRUE(faults_->Started());
        qputenv(CMediaPlayer::kAudioSinkVariable, "appsink");
        ASSERT_EQ(player_.Create(), CMediaPlayer::Setup::Ready);
    }

    GstElement* Sink() const { return player_.Output(); }

    // A second of the audio decoded from now on, the event loop running meanwhile. What was
    // already on its way to the output when the call came is left out.
    test::Audio Listen(double seconds = kListenSeconds) {
        constexpr double kInFlightSeconds = 0.25;
        test::DropHeldAudio(Sink());
        test::CollectAudio(Sink(), kInFlightSeconds, kEventTimeoutMs);
        return test::CollectAudio(Sink(), seconds, kEventTimeoutMs);
    }

    void ExpectTone(const test::Audio& audio) {
        ASSERT_GT(audio.rate, 0) << "no audio";
        EXPECT_NEAR(test::ToneFrequency(audio), kToneHz, kToneTolerance);
        EXPECT_GT(test::RootMeanSquare(audio), 0.1);
    }

    // Opens `address` and checks that it plays the tone.
    void ExpectTone(const std::string& address) {
        SCOPED_TRACE(address);
        ASSERT_TRUE(player_.OpenAddress(address));
        ExpectTone(Listen());
    }

    // Opens `address` and waits for the player to report the open failed.
    void ExpectFailure(const std::string& address, Reports& reports) {
        SCOPED_TRACE(address);
        reports.Clear();
        EXPECT_TRUE(player_.OpenAddress(address));
        EXPECT_TRUE(QTest::qWaitFor([&] { return reports.failed > 0; },
                                    Ms(OpenPlan::kTimeLimit) + kFailureSlackMs));
    }

    static bool WaitForBufferingEnd(const Reports& reports) {
        return QTest::qWaitFor(
            [&] { return !reports.buffering.empty() && !reports.buffering.back(); },
            kEventTimeoutMs);
    }

    static std::string RefusedAddress() {
        return "http://127.0.0.1:" + std::to_string(test::FreePort()) + "/gone";
    }

    static inline std::unique_ptr<test::TempDir> media_;
    static inline std::unique_ptr<IcecastServer> icecast_;
    static inline std::unique_ptr<test::FileServer> files_;
    static inline std::unique_ptr<test::FaultServer> faults_;
    static inline bool mountsServe_ = false;
    static inline bool mediaMade_ = false;
    test::Watchdog watchdog_{kWatchdogSeconds};
    CMediaPlayer player_;
};

TEST_F(PlayerTest, ThirtyOpensInARowEachPlayTheToneSecondsLater) {
    const std::vector<std::string> addresses = {icecast_->Url(kOggMount), icecast_->Url(kMp3Mount),
                                                files_->Url("tone.pls"),  files_->Url("tone.m3u"),
                                                files_->Url("tone.m3u8"), files_->Url("film.mkv")};
    constexpr int kOpens = 30;
    constexpr double kOpenListenSeconds = 0.5;
    Reports reports(player_);
    StallMeter stalls;
    for (int i = 0; i < kOpens; ++i) {
        const std::string& address = addresses[i % addresses.size()];
        SCOPED_TRACE("open " + std::to_string(i) + " of " + address);
        reports.Clear();
        ASSERT_TRUE(player_.OpenAddress(address));
        ASSERT_TRUE(WaitForBufferingEnd(reports));
        ExpectTone(Listen(kOpenListenSeconds));
        EXPECT_EQ(reports.failed, 0);
        EXPECT_EQ(reports.dropped, 0);
        EXPECT_FALSE(reports.buffering.back());
        if (address == files_->Url("tone.m3u8")) {
            // An HTTP live stream's media counts as received: each segment gives a buffer at
            // least, besides the playlist's one small read.
            constexpr std::uint64_t kSegmentsPlayed = 2;
            EXPECT_GT(player_.ReceivedPackets(), kSegmentsPlayed);
        }
    }
    EXPECT_GT(player_.ReceivedPackets(), 0u);
    EXPECT_TRUE(player_.Stop());
    RecordProperty("longest_stall_ms", static_cast<int>(stalls.LongestMs()));
}

TEST_F(PlayerTest, PlaylistsFallBackToTheirNextEntryAndNeverOpenLocalFiles) {
    const std::string refused = RefusedAddress();
    files_->AddFile("fallback.pls", "[playlist]\nNumberOfEntries=3\nFile1=" + refused +
                                        "\nFile2=" + files_->Url("missing.ogg") +
                                        "\nFile3=" + icecast_->Url(kOggMount) + "\n");
    ExpectTone(files_->Url("fallback.pls"));
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
    const std::string local = (*media_ / "local.ogg").string();
    files_->AddFile("dead.m3u", refused + "\n" + files_->Url("page.html") + "\nfile://" + local +
                                    "\n" + local + "\n");
    Reports reports(player_);
    ExpectFailure(files_->Url("dead.m3u"), reports);
    EXPECT_EQ(reports.dropped, 0);

    // Nor does an HTTP live stream's list: a local segment (one that would play), or a local
    // variant list naming it, fails the attempt, and no file is ever opened.
    const auto segment = *media_ / "local-segment.ts";
    std::filesystem::copy_file(files_->Folder() / "segment0.ts", segment,
                               std::filesystem::copy_options::overwrite_existing);
    const std::string localList = "#EXTM3U\n#EXT-X-TARGETDURATION:2\n#EXTINF:2.0,\nfile://" +
                                  segment.string() +
                                  "\n#EXTINF:2.0,\nsegment1.ts\n#EXT-X-ENDLIST\n";
    const auto variant = *media_ / "local-variant.m3u8";
    test::WriteFileBytes(variant, localList);
    const int opens = inotify_init1(IN_NONBLOCK);
    ASSERT_GE(opens, 0);
    ASSERT_GE(inotify_add_watch(opens, segment.c_str(), IN_OPEN), 0);
    ASSERT_GE(inotify_add_watch(opens, variant.c_str(), IN_OPEN), 0);
    files_->AddFile("local.m3u8", localList);
    ExpectFailure(files_->Url("local.m3u8"), reports);
    files_->AddFile("local-master.m3u8", "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=128000\nfile://" +
                                             variant.string() + "\n");
    ExpectFailure(files_->Url("local-master.m3u8"), reports);
    char event[sizeof(inotify_event) + NAME_MAX + 1];
    EXPECT_LT(read(opens, event, sizeof event), 0) << "the local segment was opened";
    close(opens);
}

TEST_F(PlayerTest, FailuresAreReportedLaterAndBadAddressesRefusedAtOnce) {
    Reports reports(player_);
    for (const std::string& address : {RefusedAddress(), files_->Url("missing.ogg"),
                                       files_->Url("page.html"), icecast_->Url("/no-such-mount")}) {
        ExpectFailure(address, reports);
    }
    // Headers and then nothing: the attempt's own bound ends it.
    ExpectFailure(faults_->Url("/headers.mp3"), reports);
    // An HTTP live stream whose variant lists a hundred thousand segments is not taken.
    constexpr int kHugeListSegments = 100000;
    std::string huge = "#EXTM3U\n#EXT-X-TARGETDURATION:2\n";
    for (int i = 0; i < kHugeListSegments; ++i) {
        huge += "#EXTINF:2.0,\nsegment0.ts\n";
    }
    files_->AddFile("huge.m3u8", huge + "#EXT-X-ENDLIST\n");
    files_->AddFile(
        "master.m3u8",
        "#EXTM3U\n#EXT-X-STREAM-INF:BANDWIDTH=128000,CODECS=\"mp4a.40.34\"\nhuge.m3u8\n");
    ExpectFailure(files_->Url("master.m3u8"), reports);

    EXPECT_FALSE(player_.OpenAddress("/no/such/file.ogg"));
    EXPECT_FALSE(player_.OpenAddress(""));
    EXPECT_FALSE(player_.OpenAddress("ftp://127.0.0.1/tone.ogg"));
    EXPECT_FALSE(player_.OpenAddress("http:///tone.ogg"));
    // Nothing of the failed opens lingers: a good address still plays, and nothing is retried.
    reports.Clear();
    ExpectTone(icecast_->Url(kOggMount));
    EXPECT_EQ(reports.failed, 0);
}

TEST_F(PlayerTest, SlowAndBurstyServersNeverLeaveThePlayerStuck) {
    Reports reports(player_);
    // Exactly real time, no burst: it plays, and carries the stream's title.
    ASSERT_TRUE(player_.OpenAddress(faults_->Url("/realtime.mp3")));
    ASSERT_TRUE(WaitForBufferingEnd(reports));
    ExpectTone(Listen());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !reports.titles.isEmpty(); }, kEventTimeoutMs));
    EXPECT_EQ(reports.titles.value(0), "Tone one");
    EXPECT_EQ(reports.dropped, 0);

    // Three seconds at once, then nothing: it plays, then the drop is reported.
    reports.Clear();
    ASSERT_TRUE(player_.OpenAddress(faults_->Url("/burst.mp3")));
    ExpectTone(test::CollectAudio(Sink(), kListenSeconds, kEventTimeoutMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return reports.dropped > 0; },
                                Ms(OpenPlan::kStallTime) + kEventTimeoutMs));
    EXPECT_EQ(reports.failed, 0);
    EXPECT_TRUE(player_.Stop());
}

TEST_F(PlayerTest, AStreamComesBackAfterItsServerReturnsUntilAStop) {
    IcecastServer own;
    ASSERT_TRUE(own.Started());
    ASSERT_TRUE(own.AddToneMount(kMp3Mount, ToneCodec::Mp3));
    Reports reports(player_);
    ASSERT_TRUE(player_.OpenAddress(own.Url(kMp3Mount)));
    ExpectTone(test::CollectAudio(Sink(), kListenSeconds, kEventTimeoutMs));
    const auto packets = player_.ReceivedPackets();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return player_.ReceivedPackets() > packets; }, kEventTimeoutMs));

    // Down, and the player tries again meanwhile; the event loop runs while the server starts
    // again. (The benchmark measures how soon it plays again.)
    own.Stop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return reports.dropped > 0; }, kEventTimeoutMs));
    ASSERT_TRUE(own.Restart(RunEvents));
    test::DropHeldAudio(Sink());
    ExpectTone(test::CollectAudio(Sink(), kListenSeconds, kEventTimeoutMs));
    EXPECT_EQ(reports.failed, 0);

    // A stop ends the attempts: down again, stopped, back again, and nothing plays.
    reports.Clear();
    own.Stop();
    EXPECT_TRUE(QTest::qWaitFor([&] { return reports.dropped > 0; }, kEventTimeoutMs));
    EXPECT_TRUE(player_.Stop());
    ASSERT_TRUE(own.Restart(RunEvents));
    const auto stoppedPackets = player_.ReceivedPackets();
    test::DropHeldAudio(Sink());
    constexpr int kQuietMs = 3000;
    EXPECT_EQ(test::CollectAudio(Sink(), kListenSeconds, kQuietMs).samples.size(), 0u);
    EXPECT_EQ(player_.ReceivedPackets(), stoppedPackets);
}

TEST_F(PlayerTest, VolumeAndMuteScaleTheLevelAndAStationStartsSilent) {
    ASSERT_TRUE(player_.SetVolume(0));
    ASSERT_TRUE(player_.OpenAddress(icecast_->Url(kMp3Mount)));
    EXPECT_LT(test::RootMeanSquare(test::CollectAudio(Sink(), kListenSeconds, kEventTimeoutMs)),
              0.001);
    ASSERT_TRUE(player_.SetVolume(100));
    const double full = test::RootMeanSquare(Listen());
    ASSERT_GT(full, 0.1);

    ASSERT_TRUE(player_.SetVolume(50));
    EXPECT_NEAR(test::RootMeanSquare(Listen()) / full, 0.5, 0.05);
    ASSERT_TRUE(player_.SetMute(true));
    EXPECT_LT(test::RootMeanSquare(Listen()), 0.001);
    ASSERT_TRUE(player_.SetMute(false));
    ASSERT_TRUE(player_.SetVolume(100));
    EXPECT_NEAR(test::RootMeanSquare(Listen()) / full, 1.0, 0.05);

    EXPECT_FALSE(player_.SetVolume(101));
    EXPECT_FALSE(player_.SetVolume(-1));
}

TEST_F(PlayerTest, BufferingIsReportedAndALocalFileEndsWithoutRetries) {
    Reports reports(player_);
    ASSERT_TRUE(player_.OpenAddress(icecast_->Url(kMp3Mount)));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return !reports.buffering.empty() && !reports.buffering.back(); }, kEventTimeoutMs));
    EXPECT_TRUE(reports.buffering.front());

    // A file posts no buffering reports: it still reports the end of buffering once it plays,
    // and its end as a drop that is not retried.
    reports.Clear();
    ASSERT_TRUE(player_.OpenAddress((*media_ / "local.ogg").string()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !reports.buffering.empty(); }, kEventTimeoutMs));
    EXPECT_EQ(reports.buffering, std::vector<bool>{false});
    EXPECT_GT(player_.ReceivedPackets(), 0u);
    ASSERT_TRUE(QTest::qWaitFor([&] { return reports.dropped > 0; }, kEventTimeoutMs));
    EXPECT_EQ(reports.buffering, std::vector<bool>{false});
}

TEST_F(PlayerTest, AnOutputDescribedAsAPipelineRecordsWhatPlays) {
    test::TempDir dir;
    const auto recording = dir / "out.raw";
    qputenv(CMediaPlayer::kAudioSinkVariable,
            QByteArray("audioconvert ! audio/x-raw,format=S16LE,channels=1,rate=16000 ! "
                       "filesink location=") +
                recording.c_str());
    CMediaPlayer recorder;
    ASSERT_EQ(recorder.Create(), CMediaPlayer::Setup::Ready);
    ASSERT_TRUE(recorder.OpenAddress(icecast_->Url(kOggMount)));
    constexpr int kRate = 16000;
    constexpr std::uintmax_t kWantedBytes = 2 * kRate * 2;
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {
            std::error_code error;
            const auto size = std::filesystem::file_size(recording, error);
            return !error && size >= kWantedBytes;
        },
        kEventTimeoutMs));
    ASSERT_TRUE(recorder.Stop());
    const std::string bytes = test::ReadFileBytes(recording);
    test::Audio audio;
    audio.rate = kRate;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto sample = static_cast<std::int16_t>(
            static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
        audio.samples.push_back(static_cast<float>(sample) / 32768.0F);
    }
    ExpectTone(audio);
}

TEST(PlayerSetup, APlayerWithoutItsOutputDoesNothing) {
    for (const char* output : {"no-such-output", "audioconvert ! no-such-output"}) {
        SCOPED_TRACE(output);
        qputenv(CMediaPlayer::kAudioSinkVariable, output);
        CMediaPlayer player;
        EXPECT_EQ(player.Create(), CMediaPlayer::Setup::Incomplete);
        qunsetenv(CMediaPlayer::kAudioSinkVariable);
        EXPECT_FALSE(player.IsReady());
        EXPECT_FALSE(player.OpenAddress("http://127.0.0.1:1/"));
        EXPECT_FALSE(player.SetVolume(50));
        EXPECT_FALSE(player.SetMute(true));
        EXPECT_FALSE(player.Stop());
        EXPECT_EQ(player.ReceivedPackets(), 0u);
    }
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
