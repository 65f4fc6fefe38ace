// The application object's start-up and the single-instance lock, run in the test process.
#include "FakePlayer.h"
#include "TestSupport.h"
#include "catalogue/Config.h"
#include "localfiles/InterfaceArchive.h"
#include "radio/CSonavia.h"
#include "radio/CStation.h"
#include "radio/RadioServices.h"
#include "shell/AppValues.h"
#include "startup/CViewerApp.h"
#include "startup/CommandLine.h"
#include "startup/SingleInstance.h"

#include <QApplication>
#include <QTimer>
#include <chrono>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace sonavia {
namespace {

TEST(SingleInstance, TheSecondLockSeesTheFirstAndAnEndedHolderBlocksNothing) {
    const std::string name = "sonavia-test-lock-" + std::to_string(::getpid());
    {
        SingleInstanceLock first(name);
        EXPECT_FALSE(first.AnotherInstanceRuns());
        SingleInstanceLock second(name);
        EXPECT_TRUE(second.AnotherInstanceRuns());
    }
    // A holder killed outright: the kernel drops its lock with it.
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    if (child == 0) {
        // Both locks above are gone: the child holds the lock at once and says so.
        SingleInstanceLock held(name);
        [[maybe_unused]] const auto n =
            ::write(ready[1], held.AnotherInstanceRuns() ? "n" : "y", 1);
        ::pause();
    }
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    ::close(ready[1]);
    EXPECT_EQ(byte, 'y');
    EXPECT_TRUE(SingleInstanceLock(name).AnotherInstanceRuns());
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_FALSE(SingleInstanceLock(name).AnotherInstanceRuns());
    std::filesystem::remove(SingleInstanceLock::LockPath(name));
}

TEST(CommandLineTest, TheToolkitsOptionsPassAndAnyOtherWordIsRefused) {
    const auto parse = [](std::vector<const char*> words) {
        words.insert(words.begin(), "sonavia");
        return ParseCommandLine(static_cast<int>(words.size()), words.data());
    };
    EXPECT_EQ(parse({}).action, CommandAction::Run);
    EXPECT_EQ(parse({"-platform", "xcb", "--show", "--style=fusion", "-reverse"}).action,
              CommandAction::Show);
    const CommandLine verbose = parse({"--verbose", "--show"});
    EXPECT_EQ(verbose.action, CommandAction::Show);
    EXPECT_TRUE(verbose.verbose);
    EXPECT_FALSE(parse({"--show"}).verbose);
    // A toolkit option's value is never read as a word of the program's.
    EXPECT_EQ(parse({"--display", "--help-me"}).action, CommandAction::Run);
    EXPECT_EQ(parse({"--show", "--version"}).action, CommandAction::Version);
    EXPECT_EQ(parse({"--bogus", "-h"}).action, CommandAction::Help);

    const CommandLine wrong = parse({"--show", "--reverse=1", "radio.pls"});
    EXPECT_EQ(wrong.action, CommandAction::Invalid);
    EXPECT_EQ(wrong.unknown, "--reverse=1") << "the first unknown word is named";
    EXPECT_EQ(parse({"--sho"}).action, CommandAction::Invalid);
}

class StartUp : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.Path());
    }
    void TearDown() override {
        std::filesystem::remove(SingleInstanceLock::LockPath(LockName()));
        std::filesystem::current_path(previous_);
        app::ClearRequests();
    }
    std::string LockName() const { return "sonavia-test-start-" + std::to_string(::getpid()); }

    test::TempDir dir_;
    std::filesystem::path previous_;
};

TEST_F(StartUp, ASecondInstanceShowsTheMessageAndStartsNothing) {
    test::Watchdog watchdog(20);
    SingleInstanceLock first(LockName());
    SingleInstanceLock second(LockName());
    CViewerApp application;
    int result = -1;
    const auto texts = test::CatchMessages([&] { result = application.RunInstance(second); });
    ASSERT_EQ(texts.size(), 1u);
    EXPECT_EQ(texts[0], "Sonavia is already running");
    EXPECT_EQ(result, 0);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "setting.dat"));

    // --show with no running program on this bus to take it: the same message, and a failure.
    const auto shown = test::CatchMessages([&] { result = application.RunInstance(second, true); });
    EXPECT_EQ(shown, texts);
    EXPECT_EQ(result, kNotShownExitCode);
}

TEST_F(StartUp, ReadsTheArchiveBelowTheWorkingDirectoryAndRunsUntilTheExitRequest) {
    test::Watchdog watchdog(20);
    std::filesystem::create_directory(dir_ / "Interface");
    ASSERT_TRUE(WriteArchive(dir_ / "Interface" / "radio.int", {{"channels.rd", "0\n"}}));
    SingleInstanceLock lock(LockName());
    int entriesWhileRunning = -1;
    std::filesystem::path directoryWhileRunning;
    QTimer::singleShot(0, [&] {
        // What the start-up handed down to the radio window it opened.
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* window = qobject_cast<CStation*>(widget)) {
                const StartupContext& context = window->Services().Context();
                entriesWhileRunning = context.interfacePack.count;
                directoryWhileRunning = context.startupDirectory;
            }
        }
        app::RequestExit();
    });
    EXPECT_EQ(CViewerApp().RunInstance(lock), 0);
    EXPECT_EQ(entriesWhileRunning, 1);
    EXPECT_EQ(directoryWhileRunning, dir_.Path());
    EXPECT_TRUE(std::filesystem::exists(dir_ / "setting.dat"));
}

TEST_F(StartUp, AnArchiveThatCannotBeReadIsNamedAndNothingIsWritten) {
    test::Watchdog watchdog(20);
    std::filesystem::create_directory(dir_ / "Interface");
    test::WriteFileBytes(dir_ / "Interface" / "radio.int", "RI"); // shorter than a header
    SingleInstanceLock lock(LockName());
    int result = 0;
    const auto texts = test::CatchMessages([&] { result = CViewerApp().RunInstance(lock); });
    ASSERT_EQ(texts.size(), 1u);
    // The message dialog breaks the long text once.
    EXPECT_EQ(QString(texts[0]).remove(QLatin1Char('\n')),
              "The interface archive Interface/radio.int is shorter than an archive "
              "header (truncated or not an archive)");
    EXPECT_EQ(result, 1);
    EXPECT_FALSE(std::filesystem::exists(dir_ / "setting.dat"));
}

TEST_F(StartUp, TheQuitRequestEndsTheLoopWithoutTheExitFlag) {
    test::Watchdog watchdog(20);
    std::filesystem::create_directory(dir_ / "Interface");
    ASSERT_TRUE(WriteArchive(dir_ / "Interface" / "radio.int", {{"channels.rd", "0\n"}}));
    SingleInstanceLock lock(LockName());
    QTimer::singleShot(0, [] { app::PostQuit(); });
    EXPECT_EQ(CViewerApp().RunInstance(lock), 0);
    EXPECT_TRUE(app::quitRequested);
    EXPECT_FALSE(app::exitRequested);
}

// A build folder, an installed prefix, a prepared folder and an empty one.
class StartupPlacesTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto* folder : {"build", "prefix/share/sonavia-plus", "work"}) {
            std::filesystem::create_directories(dir_ / folder / "Interface");
            test::WriteFileBytes(dir_ / folder / "Interface" / "radio.int", kArchiveBytes);
        }
        for (const auto* folder : {"build/catalogue", "prefix/share/sonavia-plus/catalogue",
                                   "prefix/bin", "empty", "home"}) {
            std::filesystem::create_directories(dir_ / folder);
        }
    }
    StartupFacts Facts(const char* current, const char* program) const {
        return {dir_ / current, dir_ / program, "", (dir_ / "home").string()};
    }
    static constexpr char kArchiveBytes[] = "archive of version 1";

    test::TempDir dir_;
};

TEST_F(StartupPlacesTest, TheWorkingFolderThenTheProgramsThenTheUsersForAnInstalledProgram) {
    const auto installed = dir_ / "prefix/share/sonavia-plus";
    const auto user = dir_ / "home/.local/share/sonavia-plus";
    // A folder that holds the archive comes first; its catalogue is read from beside the
    // program when it has none of its own.
    EXPECT_EQ(FindStartupPlaces(Facts("work", "build/sonavia")),
              (StartupPlaces{dir_ / "work", dir_ / "build", {}}));
    EXPECT_EQ(FindStartupPlaces(Facts("empty", "build/sonavia")),
              (StartupPlaces{dir_ / "build", dir_ / "build", {}}));
    EXPECT_EQ(FindStartupPlaces(Facts("work", "prefix/bin/sonavia")),
              (StartupPlaces{dir_ / "work", installed, {}}));

    StartupFacts facts = Facts("empty", "prefix/bin/sonavia");
    const StartupPlaces inHome{user, installed, installed / "Interface" / "radio.int"};
    EXPECT_EQ(FindStartupPlaces(facts), inHome);
    facts.xdgDataHome = "relative/data"; // not absolute: not a data home
    EXPECT_EQ(FindStartupPlaces(facts), inHome);
    facts.xdgDataHome = (dir_ / "xdg").string();
    EXPECT_EQ(FindStartupPlaces(facts)->startupDirectory, dir_ / "xdg" / "sonavia-plus");

    // No archive anywhere, or nowhere to keep the user's copy: nothing to start from.
    EXPECT_FALSE(FindStartupPlaces(Facts("empty", "empty/sonavia")));
    EXPECT_FALSE(FindStartupPlaces({dir_ / "empty", {}, "", (dir_ / "home").string()}));
    EXPECT_FALSE(FindStartupPlaces({dir_ / "empty", dir_ / "prefix/bin/sonavia", "", ""}));
}

TEST_F(StartupPlacesTest, TheUsersCopyIsMadeOnceAndRenewedByANewVersionOnly) {
    const StartupPlaces places = *FindStartupPlaces(Facts("empty", "prefix/bin/sonavia"));
    const auto copy = places.startupDirectory / "Interface" / "radio.int";
    ASSERT_TRUE(FillStartupDirectory(places));
    EXPECT_EQ(test::ReadFileBytes(copy), kArchiveBytes);
    test::WriteFileBytes(places.startupDirectory / "setting.dat", "0\n");

    // Another version installed, whatever the files' dates: the copy follows; settings stay.
    const std::string newer = "archive of version 2";
    test::WriteFileBytes(places.archiveSource, newer);
    std::filesystem::last_write_time(places.archiveSource, std::filesystem::last_write_time(copy) -
                                                               std::chrono::hours(1));
    ASSERT_TRUE(FillStartupDirectory(places));
    EXPECT_EQ(test::ReadFileBytes(copy), newer);
    EXPECT_EQ(test::ReadFileBytes(places.startupDirectory / "setting.dat"), "0\n");
    // The installed data gone: the copy still serves.
    std::filesystem::remove(places.archiveSource);
    EXPECT_TRUE(FillStartupDirectory(places));

    // A start-up directory that cannot be made (a file stands in its way): no archive.
    test::WriteFileBytes(dir_ / "blocked", "");
    StartupPlaces blocked = places;
    blocked.startupDirectory = dir_ / "blocked" / "sonavia-plus";
    blocked.archiveSource = dir_ / "work" / "Interface" / "radio.int";
    EXPECT_FALSE(FillStartupDirectory(blocked));
}

TEST(BaseWindow, StaysHiddenWritesTheDefaultsAndEndsByOpeningTheRadioWindow) {
    test::Watchdog watchdog(60);
    test::TempDir dir;
    StartupContext context;
    context.startupDirectory = dir.Path();
    RadioServices services(context);
    CSonavia base(services);
    bool radioWindowShown = false;
    QTimer::singleShot(0, [&] {
        CStation* window = base.OpenWindow();
        radioWindowShown = window != nullptr && window->isVisible();
        if (window != nullptr) {
            window->done(QDialog::Rejected);
        }
    });
    base.Create(std::make_unique<FakePlayer>());
    EXPECT_TRUE(radioWindowShown);
    EXPECT_EQ(base.OpenWindow(), nullptr);
    EXPECT_FALSE(base.isVisible());
    EXPECT_FALSE(base.windowIcon().isNull());
    EXPECT_EQ(base.BaseSettings(), Settings{});
    EXPECT_TRUE(std::filesystem::exists(dir / kSettingsFile));
}

} // namespace
} // namespace sonavia
