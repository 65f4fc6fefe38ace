// The version record that the build embeds in a program, read back as the program reads its own.
// PROBE_2_10, PROBE_2_5 and PROBE_NONE are programs built with those records, or none.
#include "TestSupport.h"
#include "localfiles/VersionRecord.h"

#include <cstdio>
#include <gtest/gtest.h>

namespace sonavia {
namespace {

TEST(VersionRecord, ReadsTheRecordThatTheBuildEmbedded) {
    EXPECT_FLOAT_EQ(ReadVersionNumber(PROBE_2_10), 2.1f);
    EXPECT_FLOAT_EQ(ReadVersionNumber(PROBE_2_5), 2.5f);
    EXPECT_FLOAT_EQ(ReadVersionNumber(PROBE_NONE), 1.1f);
    EXPECT_FLOAT_EQ(ReadVersionNumber("/nonexistent/program"), 1.1f);
    test::TempDir dir;
    test::WriteFileBytes(dir / "garbage", std::string("\x7f"
                                                      "ELF\x02garbage",
                                                      11));
    EXPECT_FLOAT_EQ(ReadVersionNumber(dir / "garbage"), 1.1f);
}

TEST(VersionRecord, ReadsTheSameUnderACommaDecimalLocale) {
    // The application object switches the process to the user's locale before the version is
    // read; "2.10" must not stop at the point.
    test::CommaDecimalLocale locale;
    if (!locale.Active()) {
        GTEST_SKIP() << "no comma-decimal locale on this machine";
    }
    EXPECT_FLOAT_EQ(ReadVersionNumber(PROBE_2_10), 2.1f);
    EXPECT_FLOAT_EQ(ReadVersionNumber(PROBE_2_5), 2.5f);
}

TEST(VersionRecord, TheRunningProgramReportsItsOwnRecord) {
    // The probe reads /proc/self/exe, as the program does at start-up.
    FILE* out = popen(PROBE_2_10, "r");
    ASSERT_NE(out, nullptr);
    char line[32] = {};
    ASSERT_NE(fgets(line, sizeof line, out), nullptr);
    pclose(out);
    EXPECT_STREQ(line, "2.1\n");
}

} // namespace
} // namespace sonavia
