// The application object's start-up and the single-instance lock, run in the test process.
#include "FakePlayer.h"
#include "TestSupport.h"
#include "localfiles/InterfaceArchive.h"
#include "radio/CSonavia.h"
#include "radio/CStation.h"
#include "shell/AppValues.h"
#include "startup/CViewerApp.h"
#include "startup/SingleInstance.h"

#include <QTimer>
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

class StartUp : public ::testing::Test {
protected:
    void SetUp() override {
        previous_ = std::filesystem::current_path();
        std::filesystem::current_path(dir_.Path());
    }
    void TearDown() override {
        std::filesystem::remove(SingleInstanceLock::LockPath(LockName()));
        std::filesystem::current_path(previous_);
        app::exitRequested = false;
        app::quitRequested = false;
        app::startupDirectory.clear();
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
    EXPECT_TRUE(app::startupDirectory.empty());
    EXPECT_FALSE(std::filesystem::exists(dir_ / "setting.dat"));
}

TEST_F(StartUp, ReadsTheArchiveBelowTheWorkingDirectoryAndRunsUntilTheExitRequest) {
    test::Watchdog watchdog(20);
    std::filesystem::create_directory(dir_ / "Interface");
    ASSERT_TRUE(WriteArchive(dir_ / "Interface" / "radio.int", {{"channels.rd", "0\n"}}));
    SingleInstanceLock lock(LockName());
    int entriesWhileRunning = -1;
    std::filesystem::path directoryWhileRunning;
    QTimer::singleShot(0, [&] {
        entriesWhileRunning = app::interfacePack.count;
        directoryWhileRunning = app::startupDirectory;
        app::RequestExit();
    });
    EXPECT_EQ(CViewerApp().RunInstance(lock), 0);
    EXPECT_EQ(entriesWhileRunning, 1);
    EXPECT_EQ(directoryWhileRunning, dir_.Path());
    EXPECT_TRUE(std::filesystem::exists(dir_ / "setting.dat"));
    EXPECT_EQ(app::interfacePack.count, 0); // freed at the end of the loop
}

TEST_F(StartUp, TheQuitRequestEndsTheLoopWithoutTheExitFlag) {
    test::Watchdog watchdog(20);
    SingleInstanceLock lock(LockName());
    QTimer::singleShot(0, [] { app::PostQuit(); });
    EXPECT_EQ(CViewerApp().RunInstance(lock), 0);
    EXPECT_TRUE(app::quitRequested);
    EXPECT_FALSE(app::exitRequested);
}

TEST(BaseWindow, StaysHiddenWritesTheDefaultsAndEndsByOpeningTheRadioWindow) {
    test::Watchdog watchdog(60);
    test::TempDir dir;
    app::startupDirectory = dir.Path();
    CSonavia base;
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
    app::startupDirectory.clear();
}

} // namespace
} // namespace sonavia
