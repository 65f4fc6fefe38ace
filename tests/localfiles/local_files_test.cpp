#include "TestSupport.h"
#include "localfiles/AtomicFile.h"
#include "localfiles/LocalFiles.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace sonavia {
namespace {

using test::ReadFileBytes;
using test::WriteFileBytes;

TEST(SettingsFile, MissingFileIsWrittenWithTheDefaultsEndingInALineFeed) {
    test::TempDir dir;
    EXPECT_EQ(LoadSettings(dir.Path()), Settings{});
    EXPECT_EQ(ReadFileBytes(dir / "setting.dat"), "1\n1\n0\n0\n50\n");
}

TEST(SettingsFile, SavedFileHasNoFinalLineFeedAndReadsBack) {
    test::TempDir dir;
    const Settings saved{false, false, 7, 3, 82};
    ASSERT_TRUE(SaveSettings(dir.Path(), saved));
    EXPECT_EQ(ReadFileBytes(dir / "setting.dat"), "0\n0\n7\n3\n82");
    EXPECT_EQ(LoadSettings(dir.Path()), saved);
    WriteFileBytes(dir / "setting.dat", "0\r\n1\r\n2\r\n3\r\n40\r\n");
    EXPECT_EQ(LoadSettings(dir.Path()), (Settings{false, true, 2, 3, 40}));
}

TEST(SettingsFile, MalformedOrMissingLinesFallBackToTheirOwnDefaults) {
    test::TempDir dir;
    WriteFileBytes(dir / "setting.dat", "0\nx\n99\n5");
    EXPECT_EQ(LoadSettings(dir.Path()), (Settings{false, true, 0, 5, 50}));
    WriteFileBytes(dir / "setting.dat", "");
    EXPECT_EQ(LoadSettings(dir.Path()), Settings{});
    WriteFileBytes(dir / "setting.dat", "1\n0\n-4\n23\n101\n");
    EXPECT_EQ(LoadSettings(dir.Path()), (Settings{true, false, 0, 23, 50}));
    // A present file, however bad, is not rewritten by reading it.
    EXPECT_EQ(ReadFileBytes(dir / "setting.dat"), "1\n0\n-4\n23\n101\n");
}

TEST(SettingsFile, ADirectoryAFifoOrAHugeFileIsReadWithoutWaitingOrReplacing) {
    test::TempDir dir;
    for (const char* name : {"setting.dat", "iface.dat", "channel.dat"}) {
        std::filesystem::create_directory(dir / name);
    }
    EXPECT_EQ(LoadSettings(dir.Path()), Settings{});
    EXPECT_FALSE(LoadInterfaceHue(dir.Path()));
    EXPECT_EQ(LoadChannelChoice(dir.Path(), "package0"), "");
    EXPECT_TRUE(std::filesystem::is_directory(dir / "setting.dat"));

    for (const char* name : {"setting.dat", "iface.dat", "channel.dat"}) {
        std::filesystem::remove(dir / name);
        ASSERT_EQ(::mkfifo((dir / name).c_str(), 0600), 0); // no writer: a blocking open hangs
    }
    EXPECT_EQ(LoadSettings(dir.Path()), Settings{});
    EXPECT_FALSE(LoadInterfaceHue(dir.Path()));
    EXPECT_EQ(LoadChannelChoice(dir.Path(), "package0"), "");
    EXPECT_TRUE(std::filesystem::is_fifo(dir / "setting.dat"));

    // Only the head of an oversized file is read: its lines still count.
    std::filesystem::remove(dir / "setting.dat");
    WriteFileBytes(dir / "setting.dat", "0\n1\n5\n3\n77\n" + std::string(1 << 20, 'x'));
    EXPECT_EQ(LoadSettings(dir.Path()), (Settings{false, true, 5, 3, 77}));
}

TEST(InterfaceHueFile, ExactBytesAndMissingOrBadFilesKeepTheHue) {
    test::TempDir dir;
    EXPECT_FALSE(LoadInterfaceHue(dir.Path()));
    ASSERT_TRUE(SaveInterfaceHue(dir.Path(), 217));
    EXPECT_EQ(ReadFileBytes(dir / "iface.dat"), "217\n");
    EXPECT_EQ(LoadInterfaceHue(dir.Path()), 217);
    WriteFileBytes(dir / "iface.dat", "blue\n");
    EXPECT_FALSE(LoadInterfaceHue(dir.Path()));
    WriteFileBytes(dir / "iface.dat", "9999\n");
    EXPECT_FALSE(LoadInterfaceHue(dir.Path()));
    WriteFileBytes(dir / "iface.dat", "360");
    EXPECT_EQ(LoadInterfaceHue(dir.Path()), 360);
}

TEST(ChannelChoiceFile, ExactBytesAndTheRandomRuleForAGreaterPackage) {
    test::TempDir dir;
    EXPECT_EQ(LoadChannelChoice(dir.Path(), "package0"), "");
    ASSERT_TRUE(SaveChannelChoice(dir.Path(), "http://127.0.0.1/Sonavia/freechannels/package0",
                                  "Fjord Jazz"));
    EXPECT_EQ(ReadFileBytes(dir / "channel.dat"), "package0\nFjord Jazz");
    EXPECT_EQ(LoadChannelChoice(dir.Path(), "package0"), "Fjord Jazz");
    WriteFileBytes(dir / "channel.dat", "package4\r\nFjord Jazz\r\n");
    EXPECT_EQ(LoadChannelChoice(dir.Path(), "package0"), "random");
    EXPECT_EQ(LoadChannelChoice(dir.Path(), "package9"), "Fjord Jazz");
}

TEST(ChannelChoiceFile, ThePackageNameIsThePackagesOwnFolderWhateverTheBaseHolds) {
    for (const char* base : {"http://packages.example.org/Sonavia/freechannels/package0/",
                             "file:///home/u/radio-packages/Sonavia/freechannels/package0",
                             "http://h/freechannels/package0\\", "package0"}) {
        EXPECT_EQ(PackageNameOf(base), "package0") << base;
    }
    EXPECT_EQ(PackageNameOf("//"), "");
    // The name stored is the one the next start compares: the station stays remembered.
    test::TempDir dir;
    ASSERT_TRUE(SaveChannelChoice(
        dir.Path(), "http://packages.example.org/Sonavia/freechannels/package0", "Fjord Jazz"));
    EXPECT_EQ(LoadChannelChoice(dir.Path(), "package0"), "Fjord Jazz");
}

TEST(LastStationFile, HoldsExactlyTheName) {
    test::TempDir dir;
    ASSERT_TRUE(SaveLastStation(dir.Path(), "Oslo Talk"));
    EXPECT_EQ(ReadFileBytes(dir / "tv.dat"), "Oslo Talk");
}

TEST(AtomicFile, ReplacesWholeAndLeavesNoTemporaryBehind) {
    test::TempDir dir;
    WriteFileBytes(dir / "setting.dat", "old contents");
    ASSERT_TRUE(WriteFileAtomically(dir / "setting.dat", "new"));
    EXPECT_EQ(ReadFileBytes(dir / "setting.dat"), "new");
    int files = 0;
    for ([[maybe_unused]] const auto& item : std::filesystem::directory_iterator(dir.Path())) {
        ++files;
    }
    EXPECT_EQ(files, 1);
    // A folder that cannot be written: the old file stays as it was.
    EXPECT_FALSE(WriteFileAtomically(dir / "missing-folder" / "x.dat", "data"));
}

TEST(LeadingNumber, ReadsTheLeadingDigitsOnly) {
    EXPECT_EQ(LeadingNumber("42abc"), 42);
    EXPECT_EQ(LeadingNumber("  -7"), -7);
    EXPECT_FALSE(LeadingNumber("abc"));
    EXPECT_FALSE(LeadingNumber(""));
    EXPECT_FALSE(LeadingNumber("99999999999999999999"));
}

} // namespace
} // namespace sonavia
