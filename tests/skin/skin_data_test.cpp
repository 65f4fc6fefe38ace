// The built-in catalogue copies packed with the skin: the station catalogue and the shopping
// topics, read from the archive in the formats their loaders expect.

#include "localfiles/InterfaceArchive.h"

#include <algorithm>
#include <cctype>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace sonavia {
namespace {

std::string ArchiveText(const char* name) {
    return ReadArchiveText(ReadArchiveDirectory(SONAVIA_INTERFACE_ARCHIVE), name);
}

// Splits a text whose every line ends in carriage return and line feed; fails on any other end.
std::vector<std::string> CrLfLines(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find('\n', start);
        if (end == std::string::npos) {
            ADD_FAILURE() << "the last line has no line end";
            break;
        }
        EXPECT_TRUE(end > start && text[end - 1] == '\r') << "line " << lines.size() + 1;
        lines.push_back(text.substr(start, end - start - (end > start ? 1 : 0)));
        start = end + 1;
    }
    return lines;
}

bool IsNumber(const std::string& line) {
    return !line.empty() && std::all_of(line.begin(), line.end(),
                                        [](unsigned char c) { return std::isdigit(c) != 0; });
}

// Lines are stored as they are: no comment mark, no trailing blanks, 8-bit printable text.
void ExpectCleanLine(const std::string& line, std::size_t number) {
    EXPECT_FALSE(line.empty()) << "line " << number;
    EXPECT_EQ(line.find('#'), std::string::npos) << "line " << number;
    EXPECT_FALSE(!line.empty() && std::isspace(static_cast<unsigned char>(line.back())))
        << "line " << number;
    EXPECT_FALSE(!line.empty() && std::isspace(static_cast<unsigned char>(line.front())))
        << "line " << number;
    EXPECT_TRUE(std::all_of(line.begin(), line.end(), [](unsigned char c) { return c >= 32; }))
        << "line " << number;
}

TEST(BuiltInData, ChannelsHoldAsManyFourLineRecordsAsTheHeaderSays) {
    const std::vector<std::string> lines = CrLfLines(ArchiveText("channels.rd"));
    ASSERT_FALSE(lines.empty());
    ASSERT_TRUE(IsNumber(lines[0])) << lines[0];
    const std::size_t count = std::stoul(lines[0]);
    ASSERT_EQ(lines.size(), 1 + 4 * count);

    std::set<std::string> names;
    std::set<std::string> countries;
    for (std::size_t record = 0; record < count; ++record) {
        const std::size_t first = 1 + 4 * record;
        for (std::size_t i = first; i < first + 4; ++i) {
            ExpectCleanLine(lines[i], i + 1);
        }
        EXPECT_TRUE(IsNumber(lines[first + 2])) << "line " << first + 3;
        // Look-ups by name take the first match, so a repeated name could never be played.
        EXPECT_TRUE(names.insert(lines[first + 3]).second) << lines[first + 3];
        countries.insert(lines[first]);
        // Addresses are fetched station by station; the catalogue never holds one.
        for (std::size_t i = first; i < first + 4; ++i) {
            EXPECT_EQ(lines[i].find("://"), std::string::npos) << "line " << i + 1;
        }
    }
    EXPECT_GE(countries.size(), 5u);
    EXPECT_GE(count, 2 * countries.size());
}

TEST(BuiltInData, ShoppingListHoldsAsManyTopicsAsTheHeaderSays) {
    const std::vector<std::string> lines = CrLfLines(ArchiveText("shopping.rd"));
    ASSERT_FALSE(lines.empty());
    ASSERT_TRUE(IsNumber(lines[0])) << lines[0];
    const std::size_t count = std::stoul(lines[0]);
    ASSERT_GT(count, 0u);
    ASSERT_EQ(lines.size(), 1 + count);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        ExpectCleanLine(lines[i], i + 1);
    }
}

} // namespace
} // namespace sonavia
