#include "player/AddressKind.h"

#include <gtest/gtest.h>

namespace sonavia {
namespace {

constexpr ReplyKind kStream{AddressKind::Stream, PlaylistFormat::None};
constexpr ReplyKind kLive{AddressKind::LiveStream, PlaylistFormat::None};
constexpr ReplyKind Playlist(PlaylistFormat format) {
    return {AddressKind::Playlist, format};
}

TEST(ClassifyReply, PlaylistsAreKnownByTheirBodyWhateverTheirLabel) {
    EXPECT_EQ(
        ClassifyReply("text/plain", "\xEF\xBB\xBF [Playlist]\nFile1=http://a/b\n", "http://h/x"),
        Playlist(PlaylistFormat::Pls));
    EXPECT_EQ(ClassifyReply("", "#EXTM3U\n#EXTINF:-1,x\nhttp://a/b\n", "http://h/listen"),
              Playlist(PlaylistFormat::M3u));
    EXPECT_EQ(ClassifyReply("video/x-ms-asf", "<ASX version=\"3.0\"><entry>", "http://h/s"),
              Playlist(PlaylistFormat::Asx));
    EXPECT_EQ(ClassifyReply("application/xml",
                            "<?xml version=\"1.0\"?>\n<playlist xmlns=\"http://xspf.org/ns/0/\">",
                            "http://h/s"),
              Playlist(PlaylistFormat::Xspf));
}

TEST(ClassifyReply, ALabelOrNameOnlyMakesAPlaylistOfAPlainAddressList) {
    EXPECT_EQ(ClassifyReply("audio/x-mpegurl; charset=utf-8", "http://a/b\r\n", "http://h/x"),
              Playlist(PlaylistFormat::M3u));
    EXPECT_EQ(ClassifyReply("text/plain", "http://a/b\n", "http://h/radio.m3u?sid=1"),
              Playlist(PlaylistFormat::M3u));
    EXPECT_EQ(ClassifyReply("audio/x-scpls", "File1=http://a/b\n", "http://h/x"),
              Playlist(PlaylistFormat::Pls));
    // Binary audio under a playlist label or name stays a stream.
    EXPECT_EQ(ClassifyReply("audio/x-mpegurl", std::string("\xFF\xFB\x90\x00", 4), "http://h/x"),
              kStream);
    EXPECT_EQ(ClassifyReply("video/x-ms-asf",
                            std::string("0&\xB2u\x8E"
                                        "f\xCF\x11",
                                        8),
                            "http://h/a.asx"),
              kStream);
}

TEST(ClassifyReply, HttpLiveStreamsAndEverythingElseGoToThePlayerAsTheyAre) {
    EXPECT_EQ(ClassifyReply("application/vnd.apple.mpegurl",
                            "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-TARGETDURATION:6\n",
                            "http://h/a.m3u8"),
              kLive);
    EXPECT_EQ(ClassifyReply("audio/mpeg", "ID3\x03", "http://h/stream"), kStream);
    EXPECT_EQ(ClassifyReply("application/ogg", "OggS", "http://h/stream.ogg"), kStream);
    EXPECT_EQ(ClassifyReply("text/html", "<!DOCTYPE html><html>", "http://h/index.html"), kStream);
    EXPECT_EQ(ClassifyReply("", "", "http://h/"), kStream);
}

TEST(LiveListWatch, AListFromAServerNamesOnlyWebAddressesAndStaysSmall) {
    const auto verdict = [](std::initializer_list<std::string_view> pieces) {
        LiveListWatch watch;
        for (const auto piece : pieces) {
            watch.Take(piece);
        }
        return watch.Seen();
    };
    using Verdict = LiveListWatch::Verdict;
    const std::string_view head = "#EXTM3U\n#EXT-X-TARGETDURATION:2\n";
    // Relative and web addresses, a colon in a relative path, and a key on the web.
    EXPECT_EQ(
        verdict({head, "#EXTINF:2,\nlow/seg:1.ts\nlow/list.m3u8?at=1:2\nHTTPS://cdn.test/a.ts\n",
                 "#EXT-X-KEY:METHOD=AES-128,URI=\"https://k.test/key\"\n"}),
        Verdict::Fine);
    // Another scheme in an address line or in an attribute, even split between two pieces.
    EXPECT_EQ(verdict({head, "#EXTINF:2,\nfi", "le:///dev/zero\n"}), Verdict::NamesLocalAddress);
    EXPECT_EQ(verdict({head, "#EXT-X-STREAM-INF:BANDWIDTH=1\n data:,x\r\n"}),
              Verdict::NamesLocalAddress);
    EXPECT_EQ(verdict({head, "#EXT-X-MEDIA:TYPE=AUDIO,URI=\"file:///etc/passwd\"\n"}),
              Verdict::NamesLocalAddress);
    // A list longer than any real one, by its lines or its bytes; the verdict stays.
    std::string lines;
    for (std::uint64_t i = 0; i <= kMaxLiveListLines; ++i) {
        lines += "a.ts\n";
    }
    EXPECT_EQ(verdict({head, lines, "b.ts\n"}), Verdict::TooLong);
    EXPECT_EQ(verdict({std::string(kMaxLiveListBytes + 1, '#')}), Verdict::TooLong);
}

TEST(IsWebAddress, OnlyHttpAndHttps) {
    EXPECT_TRUE(IsWebAddress("HTTP://h/"));
    EXPECT_TRUE(IsWebAddress("https://h/"));
    EXPECT_FALSE(IsWebAddress("file:///tmp/a.pls"));
    EXPECT_FALSE(IsWebAddress("/tmp/a.pls"));
    EXPECT_FALSE(IsWebAddress("http:"));
}

} // namespace
} // namespace sonavia
