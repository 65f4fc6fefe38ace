// Recording as the writer's thread does it: Ogg streams cut at their chains, names made fit for a
// file and never written over.
#include "TestSupport.h"
#include "player/RecordingWriter.h"
#include "rules/RecordingName.h"

#include <atomic>
#include <ctime>
#include <gst/gst.h>
#include <gtest/gtest.h>
#include <map>

namespace sonavia {
namespace {

constexpr std::size_t kChunk = 1000;

// A second of a tone as one Ogg Vorbis chain.
std::string OggChain(int hz, const std::filesystem::path& file) {
    gst_init(nullptr, nullptr);
    const std::string launch =
        "audiotestsrc num-buffers=40 freq=" + std::to_string(hz) +
        " ! audioconvert ! vorbisenc ! oggmux ! filesink location=" + file.string();
    GstElement* pipeline = gst_parse_launch(launch.c_str(), nullptr);
    gst_element_set_state(pipeline, GST_STATE_PLAYING);
    GstBus* bus = gst_element_get_bus(pipeline);
    gst_message_unref(gst_bus_timed_pop_filtered(
        bus, GST_CLOCK_TIME_NONE,
        static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR)));
    gst_object_unref(bus);
    gst_element_set_state(pipeline, GST_STATE_NULL);
    gst_object_unref(pipeline);
    return test::ReadFileBytes(file);
}

void Feed(RecordingWriter& writer, const std::string& bytes) {
    for (std::size_t at = 0; at < bytes.size(); at += kChunk) {
        ASSERT_TRUE(writer.Write(bytes.data() + at, std::min(kChunk, bytes.size() - at)));
    }
}

std::string Stem(std::time_t when) {
    std::tm local{};
    localtime_r(&when, &local);
    return RecordingStem(local, "");
}

TEST(Recording, NamesAreFitForAFile) {
    EXPECT_EQ(FileNamePart("../../etc/passwd"), "etc passwd");
    EXPECT_EQ(FileNamePart(" .hidden\x01tab\tdel\x7f"
                           "c1\xc2\x85 end. "),
              "hidden tab del c1  end.");
    EXPECT_EQ(FileNamePart(".. . ."), "");
    std::string accents;
    for (int i = 0; i < 200; ++i) {
        accents += "\xc3\xa9";
    }
    const std::string cut = FileNamePart(accents);
    EXPECT_EQ(cut.size(), kMaxNamePartBytes) << "cut between two characters";
    EXPECT_EQ(cut, accents.substr(0, kMaxNamePartBytes));
    std::tm start{};
    start.tm_year = 125;
    start.tm_mon = 0;
    start.tm_mday = 31;
    start.tm_hour = 21;
    start.tm_min = 5;
    start.tm_sec = 9;
    EXPECT_EQ(RecordingStem(start, "A/B"), "2025-01-31 21.05.09 A B");
    EXPECT_EQ(RecordingStem(start, "\n"), "2025-01-31 21.05.09");
}

TEST(Recording, EachTitleKeepsItsOwnOggChainAndNoNameIsWrittenOver) {
    test::TempDir dir;
    const std::string first = OggChain(440, dir / "first.ogg");
    const std::string second = OggChain(880, dir / "second.ogg");
    const auto folder = dir / "music" / "Station";
    // Whatever second the files start in, a file of that name is there already.
    const std::time_t now = std::time(nullptr);
    std::filesystem::create_directories(folder);
    for (int later = 0; later < 5; ++later) {
        test::WriteFileBytes(folder / (Stem(now + later) + " Second.ogg"), "kept");
    }

    std::atomic<bool> ended = false;
    {
        RecordingWriter writer(folder, "First / Song", [&](const std::string&) { ended = true; });
        RecordedFormat ogg;
        ogg.extension = "ogg";
        ogg.ogg = true;
        ASSERT_TRUE(writer.BeginStream(ogg));
        Feed(writer, first);
        // The server starts a new chain at the change of title; the title is known later.
        Feed(writer, second.substr(0, second.size() / 2));
        writer.NextFile("Second");
        Feed(writer, second.substr(second.size() / 2));
        ASSERT_EQ(writer.Finish().wait_for(std::chrono::seconds(10)), std::future_status::ready);
    }
    EXPECT_FALSE(ended) << "a recording that is ended is not reported as failed";

    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        files[entry.path().filename().string()] = test::ReadFileBytes(entry.path());
    }
    ASSERT_EQ(files.size(), 7u);
    int firsts = 0;
    int seconds = 0;
    for (const auto& [name, bytes] : files) {
        EXPECT_FALSE(name.ends_with(".part")) << name;
        if (name.ends_with(" First   Song.ogg")) {
            ++firsts;
            EXPECT_EQ(bytes, first) << "the first chain, whole, and nothing of the second";
        } else if (name.ends_with(" Second (2).ogg")) {
            ++seconds;
            EXPECT_EQ(bytes, second) << "the second chain from its start";
        } else {
            EXPECT_EQ(bytes, "kept") << name;
        }
    }
    EXPECT_EQ(firsts, 1);
    EXPECT_EQ(seconds, 1);
}

} // namespace
} // namespace sonavia
