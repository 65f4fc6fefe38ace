// The radio's core with no window: a player that plays nothing, and a catalogue on the loopback
// server whose address files can be held back.
#include "CatalogueServer.h"
#include "FakePlayer.h"
#include "TestSupport.h"
#include "catalogue/Config.h"
#include "localfiles/LocalFiles.h"
#include "radio/RadioCore.h"
#include "radio/SleepTimer.h"

#include <QSignalSpy>
#include <QTest>
#include <cstdlib>
#include <gtest/gtest.h>

namespace sonavia {
namespace {

constexpr int kWaitMs = 10000;
// A Latin-1 name and country, as an 8-bit catalogue saved in a Western encoding holds them.
const std::string kLatinName = "Bj\xF6rn FM";
const std::string kLatinCountry = "\xD6sterreich";
const std::vector<std::string> kNames = {"Alpha", kLatinName, "Gamma"};

class RadioCoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto package = root_ / "Sonavia/freechannels/package0";
        std::filesystem::create_directories(package);
        std::filesystem::create_directories(root_ / "Sonavia/channelsplus");
        std::string catalogue = std::to_string(kNames.size()) + "\n";
        for (std::size_t i = 0; i < kNames.size(); ++i) {
            catalogue += kLatinCountry + "\nAbout " + kNames[i] + "\n1\n" + kNames[i] + "\n";
            test::WriteFileBytes(package / (std::to_string(i + 1) + ".rd"), Address(i) + "\n");
        }
        test::WriteFileBytes(root_ / "Sonavia/channelsplus/channels.rd", catalogue);
        test::WriteFileBytes(root_ / "Sonavia/freechannels/package0.rd", "111\n");
        ASSERT_TRUE(server_.Running());
        player_.reportsBuffering = false;
    }

    static std::string Address(std::size_t position) {
        return "http://stream.test/" + std::to_string(position + 1);
    }
    // Holds the address file of the station at `position` for `seconds`.
    void Hold(std::size_t position, int seconds) {
        test::WriteFileBytes(
            root_ / ("Sonavia/freechannels/package0/" + std::to_string(position + 1) + ".rd.hold"),
            std::to_string(seconds));
    }
    std::string File(const char* name) const {
        const auto path = dir_ / name;
        return std::filesystem::exists(path) ? test::ReadFileBytes(path) : "(none)";
    }
    // Runs `act` and checks that it returned before its request completed: nothing that a
    // request brings (the catalogue, a station's address) was applied while it ran. How long
    // acts take is measured by the radio window's benchmark.
    void Act(const std::function<void()>& act) {
        const bool catalogueReady = core_.CatalogueReady();
        const auto opened = player_.opened.size();
        act();
        EXPECT_EQ(core_.CatalogueReady(), catalogueReady);
        EXPECT_EQ(player_.opened.size(), opened);
    }
    void Start() {
        Act([this] {
            core_.Start();
            core_.SetSavedVolume(kSavedVolume);
        });
        ASSERT_TRUE(QTest::qWaitFor([this] { return core_.CatalogueReady(); }, kWaitMs));
    }
    bool Opened(std::vector<std::string> addresses) {
        return QTest::qWaitFor([&] { return player_.opened == addresses; }, kWaitMs);
    }

    static constexpr int kSavedVolume = 80;
    test::TempDir dir_;
    std::filesystem::path root_ = dir_ / "root";
    test::CatalogueServer server_{root_};
    FakePlayer player_;
    // The catalogue and the site are the loopback server's.
    RadioCore core_{
        player_,
        {server_.Url("/") + kCatalogueProductFolder, server_.Url("/") + kSiteProductFolder, {}},
        dir_.Path(),
        {}};
};

TEST_F(RadioCoreTest, StartsWithoutWaitingAndPlaysTheRememberedEightBitNameOnce) {
    test::WriteFileBytes(dir_ / kChannelChoiceFile, "package0\n" + kLatinName);
    Hold(1, 1);
    Start();
    ASSERT_TRUE(Opened({Address(1)}));
    EXPECT_EQ(core_.CurrentStationName(), kLatinName);
    EXPECT_EQ(core_.Catalogue().records[1].country, kLatinCountry);
    EXPECT_EQ(core_.InfoTipFor(kLatinName), "About " + kLatinName);
    EXPECT_EQ(File(kChannelChoiceFile), "package0\n" + kLatinName) << "start-up play keeps it";
    EXPECT_EQ(core_.State(), PlayState::Connecting);

    // Its first audio goes out at the fade's first heard step, whenever the core hears that it
    // plays; then it fades in to the saved volume, with no window to tick.
    EXPECT_EQ(player_.volume, kFirstHeardVolume);
    emit player_.Buffering(false);
    EXPECT_EQ(player_.volume, kFirstHeardVolume);
    EXPECT_EQ(core_.State(), PlayState::Playing);
    ASSERT_TRUE(QTest::qWaitFor([this] { return player_.volume > 1; }, kWaitMs));
    EXPECT_LT(player_.volume, kSavedVolume) << "one step per tick, not one jump";
    EXPECT_TRUE(QTest::qWaitFor([this] { return player_.volume == kSavedVolume; },
                                kFadeStepInterval.count() * (kSavedVolume + 20)));
    emit player_.TitleChanged(QStringLiteral("Song"));
    EXPECT_EQ(core_.StreamTitle(), QStringLiteral("Song"));
    // A server's control characters and overlong titles: one line of readable length.
    emit player_.TitleChanged(QStringLiteral("Night\x01\a Shift\x1b[2J\r\n\t") +
                              QString(4000, QLatin1Char('x')));
    EXPECT_TRUE(core_.StreamTitle().startsWith(QStringLiteral("Night Shift [2J xxx")));
    EXPECT_EQ(core_.StreamTitle().size(), 160);
    EXPECT_TRUE(core_.StreamTitle().endsWith(QChar(0x2026)));
    // Text that shows other than it reads: direction overrides and isolates, zero-width and
    // invisible tag characters are gone; letters of every plane stay.
    emit player_.TitleChanged(QString::fromUtf8("\u202Egnp.exe \u2067Ab\u2069c\u200B\u200Dd"
                                                "\uFEFF\U000E0041\U0001D11E"));
    EXPECT_EQ(core_.StreamTitle(), QString::fromUtf8("gnp.exe Abcd\U0001D11E"));
}

TEST_F(RadioCoreTest, TheLatestChoiceWinsAndAHeldRequestNeverHoldsTheCaller) {
    Start();
    Hold(0, 2);
    Act([this] { core_.ChooseStation("Alpha"); });
    Act([this] { core_.ChooseStation("Gamma"); });
    ASSERT_TRUE(Opened({Address(2)}));
    // Alpha's held reply comes in, and is set aside.
    ASSERT_TRUE(QTest::qWaitFor([this] { return core_.RequestsUnderWay() == 0; }, kWaitMs));
    QCoreApplication::processEvents();
    EXPECT_EQ(player_.opened, std::vector<std::string>{Address(2)}) << "Alpha's late reply";
    EXPECT_EQ(File(kChannelChoiceFile), "package0\nGamma");
    EXPECT_EQ(File(kLastStationFile), "Gamma");

    // Random Channel never picks the station that plays while another is offered.
    for (int press = 0; press < 6; ++press) {
        const std::string before = core_.CurrentStationName();
        const auto opens = player_.opened.size();
        Act([this] { core_.WindowRandomPlay(); });
        ASSERT_TRUE(QTest::qWaitFor([&] { return player_.opened.size() > opens; }, kWaitMs));
        EXPECT_NE(core_.CurrentStationName(), before);
    }
}

TEST_F(RadioCoreTest, AFailedStationStopsWhatPlaysTellsTheUserAndResumesItself) {
    Start();
    core_.ChooseStation("Alpha");
    ASSERT_TRUE(Opened({Address(0)}));
    std::filesystem::remove(root_ / "Sonavia/freechannels/package0/3.rd");
    QSignalSpy messages(&core_, &RadioCore::MessageRequested);
    core_.ChooseStation("Gamma");
    ASSERT_TRUE(QTest::qWaitFor([&] { return core_.State() == PlayState::Failed; }, kWaitMs));
    EXPECT_EQ(messages.count(), 1);
    EXPECT_EQ(player_.stops, 1) << "Alpha no longer plays";
    EXPECT_FALSE(core_.Playing());
    EXPECT_EQ(File(kChannelChoiceFile), "package0\nGamma");
    EXPECT_EQ(File(kLastStationFile), "Alpha");

    // Resume tries the marked station again; a stream that cannot be played fails it too.
    test::WriteFileBytes(root_ / "Sonavia/freechannels/package0/3.rd", Address(2));
    core_.StopOrResume();
    ASSERT_TRUE(Opened({Address(0), Address(2)}));
    emit player_.OpenFailed();
    EXPECT_EQ(core_.State(), PlayState::Failed);
    EXPECT_EQ(core_.ReceivedPackets(), 0u);
}

TEST_F(RadioCoreTest, SettingsThatCannotBeSavedAreToldOnceAndWhatIsOnDiskStays) {
    // Folders where channel.dat and tv.dat belong: neither can be replaced (a read-only folder
    // would not stop the superuser that tests may run as).
    std::filesystem::create_directories(dir_ / kChannelChoiceFile);
    test::WriteFileBytes(dir_ / kChannelChoiceFile / "kept", "kept");
    std::filesystem::create_directories(dir_ / kLastStationFile);
    Start();
    QSignalSpy messages(&core_, &RadioCore::MessageRequested);
    core_.ChooseStation("Alpha");
    EXPECT_EQ(messages.count(), 0) << "told from the event loop, not from inside the save";
    ASSERT_TRUE(Opened({Address(0)}));
    core_.ChooseStation("Gamma");
    ASSERT_TRUE(Opened({Address(0), Address(2)}));
    ASSERT_EQ(messages.count(), 1);
    EXPECT_EQ(messages.at(0).at(0).toString(), QStringLiteral("Settings cannot be saved in ") +
                                                   QString::fromStdString(dir_.Path().string()));
    EXPECT_EQ(test::ReadFileBytes(dir_ / kChannelChoiceFile / "kept"), "kept");
    EXPECT_TRUE(std::filesystem::is_directory(dir_ / kLastStationFile));
}

TEST_F(RadioCoreTest, TheUsersVolumeAndMuteSurviveFadesAndOpenings) {
    Start();
    core_.WindowOpened(kSavedVolume);
    EXPECT_EQ(core_.SliderVolume(), 0) << "the first opening fades in from silence";
    core_.ChooseStation("Alpha");
    ASSERT_TRUE(Opened({Address(0)}));
    emit player_.Buffering(false);
    EXPECT_EQ(player_.volume, 1) << "the fade's first step is heard as the stream plays";
    for (int tick = 0; tick < 10; ++tick) {
        core_.TickFade();
    }
    EXPECT_EQ(player_.volume, 11);
    core_.ToggleMute();
    core_.WindowClosed(false);
    EXPECT_EQ(core_.TargetVolume(), kSavedVolume) << "what setting.dat keeps, not a fade step";
    EXPECT_EQ(player_.volume, kSavedVolume) << "the fade ends at its target";

    core_.SetVolume(90);
    core_.ToggleMute();
    core_.WindowOpened(90);
    EXPECT_EQ(core_.SliderVolume(), 90) << "a later opening sets the volume at once";
    EXPECT_EQ(core_.TickFade(), std::nullopt);
    EXPECT_EQ(player_.volume, 90);
    EXPECT_TRUE(core_.Muted()) << "opening the window keeps the mute";
    EXPECT_TRUE(player_.muted);
    core_.SetVolume(40);
    EXPECT_FALSE(player_.muted) << "moving the volume ends the mute";
}

TEST_F(RadioCoreTest, TheSleepTimerFadesOutStopsOnlyAndKeepsTheUsersVolume) {
    // Fifteen minutes of 40 ms: shorter than the fade, which then takes all of them.
    qputenv(SleepTimer::kMinuteVariable, "40");
    SleepTimer sleep(core_);
    qunsetenv(SleepTimer::kMinuteVariable);
    Start();
    core_.ChooseStation("Alpha");
    ASSERT_TRUE(Opened({Address(0)}));
    emit player_.Buffering(false);
    core_.SetVolume(kSavedVolume);

    sleep.Set(15);
    EXPECT_EQ(sleep.MinutesLeft(), 15);
    ASSERT_TRUE(QTest::qWaitFor([this] { return player_.volume < kSavedVolume; }, kWaitMs));
    EXPECT_GT(player_.volume, 0) << "step by step, not one jump";
    EXPECT_EQ(core_.TargetVolume(), kSavedVolume);
    ASSERT_TRUE(QTest::qWaitFor([this] { return player_.stops == 1; }, kWaitMs));
    EXPECT_EQ(core_.State(), PlayState::Stopped);
    EXPECT_EQ(sleep.Minutes(), 0) << "the timer ends with its fade";
    EXPECT_EQ(player_.volume, kSavedVolume) << "the user's volume for the next play";

    // A volume the user sets during the fade ends it, and the timer with it.
    core_.StopOrResume();
    ASSERT_TRUE(Opened({Address(0), Address(0)}));
    emit player_.Buffering(false);
    sleep.Set(30);
    ASSERT_TRUE(QTest::qWaitFor([this] { return core_.FadingOut(); }, kWaitMs));
    core_.SetVolume(60);
    EXPECT_FALSE(core_.FadingOut());
    EXPECT_EQ(sleep.Minutes(), 0);
    QTest::qWait(30 * 40 + 200);
    EXPECT_EQ(player_.volume, 60);
    EXPECT_EQ(core_.State(), PlayState::Playing);

    // Stopped by the user before its end, the timer ends and never starts the station again.
    sleep.Set(15);
    core_.StopOrResume();
    EXPECT_EQ(sleep.Minutes(), 0);
    QTest::qWait(15 * 40 + 200);
    EXPECT_EQ(player_.opened.size(), 2u);
    EXPECT_EQ(core_.State(), PlayState::Stopped);
    EXPECT_EQ(player_.volume, 60);
}

TEST_F(RadioCoreTest, PlayPicksAStationWhenNoneIsRememberedAndPreviousGoesBackAndForth) {
    Start();
    EXPECT_TRUE(player_.opened.empty()) << "no channel.dat: nothing plays at start-up";
    core_.PlayOrResume();
    ASSERT_TRUE(QTest::qWaitFor([&] { return player_.opened.size() == 1; }, kWaitMs));
    const std::string first = core_.CurrentStationName();
    ASSERT_FALSE(first.empty());
    emit player_.Buffering(false);
    EXPECT_EQ(core_.PreviousStation(), "") << "one station heard so far";
    core_.PlayOrResume();
    // A start would name the station connecting at once.
    EXPECT_EQ(core_.State(), PlayState::Playing) << "Play while a station plays starts nothing";

    const std::string second = first == "Alpha" ? "Gamma" : "Alpha";
    core_.ChooseStation(second);
    ASSERT_TRUE(QTest::qWaitFor([&] { return player_.opened.size() == 2; }, kWaitMs));
    EXPECT_EQ(core_.PreviousStation(), first) << "known while the new one connects";
    emit player_.Buffering(false);

    core_.PlayPrevious();
    ASSERT_TRUE(QTest::qWaitFor([&] { return player_.opened.size() == 3; }, kWaitMs));
    EXPECT_EQ(player_.opened.back(), player_.opened.front());
    EXPECT_EQ(core_.CurrentStationName(), first);
    emit player_.Buffering(false);
    EXPECT_EQ(core_.PreviousStation(), second) << "Previous again goes back to the second";

    // Stopped, Play resumes the current station rather than picking another.
    core_.StopOrResume();
    core_.PlayOrResume();
    ASSERT_TRUE(QTest::qWaitFor([&] { return player_.opened.size() == 4; }, kWaitMs));
    EXPECT_EQ(core_.CurrentStationName(), first);
}

TEST_F(RadioCoreTest, ShutdownEndsRequestsThatTheServerHolds) {
    RadioCore held{player_,
                   {server_.Url("/fault/silent/") + kCatalogueProductFolder, {}, {}},
                   dir_.Path(),
                   {}};
    // A hang fails here; how long the end takes is the radio window benchmark's to measure.
    test::Watchdog watchdog(kWaitMs / 1000);
    held.Start();
    ASSERT_TRUE(QTest::qWaitFor([this] { return !server_.RequestPaths().empty(); }, kWaitMs))
        << "the server holds the catalogue request";
    held.Shutdown();
    EXPECT_FALSE(held.CatalogueReady());
}

} // namespace
} // namespace sonavia
