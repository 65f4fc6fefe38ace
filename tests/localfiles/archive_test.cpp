#include "TestSupport.h"
#include "controls/ArchiveImages.h"
#include "localfiles/InterfaceArchive.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

namespace sonavia {
namespace {

std::string Le(std::uint32_t value, int width) {
    std::string out;
    for (int i = 0; i < width; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
    return out;
}

TEST(InterfaceArchive, WritesAndReadsEntriesAndFindsNamesWithoutRegardToCase) {
    test::TempDir dir;
    const auto path = dir / "radio.int";
    ASSERT_TRUE(WriteArchive(path, {{"channels.rd", "2\r\nabc"},
                                    {"StationBackground.BMP", "BMxx"},
                                    {"empty.txt", ""},
                                    {"channels.RD", "second"}}));
    const auto directory = ReadArchiveDirectory(path);
    ASSERT_EQ(directory.count, 4);
    EXPECT_EQ(directory.header, 1u);
    EXPECT_EQ(FindArchiveEntry(directory, "stationbackground.bmp"), 1);
    EXPECT_EQ(FindArchiveEntry(directory, "CHANNELS.rd"), 0); // the first match wins
    EXPECT_EQ(FindArchiveEntry(directory, "missing.bmp"), kNoArchiveEntry);
    EXPECT_EQ(ReadArchiveText(directory, "Channels.Rd"), "2\r\nabc");
    EXPECT_EQ(ReadArchiveText(directory, "empty.txt"), "");
    EXPECT_EQ(ReadArchiveText(directory, "missing"), "");

    // The exact layout: header words, directory, offsets, data.
    const std::string bytes = test::ReadFileBytes(path);
    EXPECT_EQ(bytes.substr(0, 6), Le(1, 2) + Le(0, 2) + Le(4, 2));
    EXPECT_EQ(bytes.substr(6, 4 + 11 + 4), Le(11, 4) + "channels.rd" + Le(6, 4));
    const std::uint32_t firstOffset = directory.entries[0].offset;
    EXPECT_EQ(bytes.substr(firstOffset, 6), "2\r\nabc");
}

TEST(InterfaceArchive, CorruptOrTruncatedArchivesGiveAnEmptyDirectoryOrNoEntry) {
    test::TempDir dir;
    const auto path = dir / "radio.int";
    EXPECT_EQ(ReadArchiveDirectory(path).count, 0); // missing file
    EXPECT_EQ(ReadArchiveDirectory(path).fault, ArchiveFault::Unreadable);
    // A folder or a FIFO in its place is unreadable too, and never waited on.
    const auto folder = dir / "folder.int";
    std::filesystem::create_directory(folder);
    EXPECT_EQ(ReadArchiveDirectory(folder).fault, ArchiveFault::Unreadable);
    const auto fifo = dir / "fifo.int";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(ReadArchiveDirectory(fifo).fault, ArchiveFault::Unreadable);

    ASSERT_TRUE(WriteArchive(path, {{"a.txt", "hello"}, {"b.txt", "world"}}));
    const std::string good = test::ReadFileBytes(path);
    // Every truncation of the directory and offset table gives an empty directory.
    const std::size_t tableEnd = ReadArchiveDirectory(path).entries[0].offset;
    for (std::size_t cut = 0; cut < tableEnd; ++cut) {
        test::WriteFileBytes(path, good.substr(0, cut));
        const auto directory = ReadArchiveDirectory(path);
        EXPECT_EQ(directory.entries.size(), 0u) << "cut at " << cut;
        EXPECT_NE(directory.fault, ArchiveFault::None) << "cut at " << cut;
    }
    // A count far beyond the file, and a name length beyond it.
    test::WriteFileBytes(path, Le(1, 2) + Le(0, 2) + Le(65000, 2) + good.substr(6));
    EXPECT_EQ(ReadArchiveDirectory(path).count, 0);
    test::WriteFileBytes(path, good.substr(0, 6) + Le(0xFFFFFFF0u, 4) + good.substr(10));
    EXPECT_EQ(ReadArchiveDirectory(path).count, 0);

    // Data cut off after the directory was read: "no such entry" rather than a short read.
    test::WriteFileBytes(path, good);
    const auto directory = ReadArchiveDirectory(path);
    EXPECT_EQ(directory.fault, ArchiveFault::None);
    test::WriteFileBytes(path, good.substr(0, good.size() - 2));
    EXPECT_EQ(ReadArchiveText(directory, "b.txt"), "");
    EXPECT_FALSE(ReadArchiveEntry(directory, 1).has_value());
    EXPECT_EQ(ReadArchiveText(directory, "a.txt"), "hello");
    EXPECT_TRUE(LoadArchiveBitmap(directory, "a.txt").isNull());
}

TEST(InterfaceArchive, HugeDataSizesAndOffsetsAreRefusedWithoutAllocating) {
    test::TempDir dir;
    const auto path = dir / "radio.int";
    const std::string bytes = Le(1, 2) + Le(0, 2) + Le(1, 2) + Le(1, 4) + "x" + Le(0xFFFFFFFFu, 4) +
                              Le(0xFFFFFF00u, 4) + "data";
    test::WriteFileBytes(path, bytes);
    const auto directory = ReadArchiveDirectory(path);
    ASSERT_EQ(directory.count, 1);
    EXPECT_FALSE(ReadArchiveEntry(directory, 0).has_value());
    EXPECT_FALSE(ReadArchiveEntry(directory, 7).has_value());
}

} // namespace
} // namespace sonavia
