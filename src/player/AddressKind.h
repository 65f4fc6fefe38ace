#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// What an address turns out to be once its server has answered: a stream for the player, a
// playlist whose entries are the streams, or an HTTP live stream (its ".m3u8" playlist is the
// stream itself and goes to the player as it is).
namespace sonavia {

enum class AddressKind { Stream, Playlist, LiveStream };

// The playlist formats the player reads.
enum class PlaylistFormat { None, Pls, M3u, Asx, Xspf };

struct ReplyKind {
    AddressKind kind = AddressKind::Stream;
    PlaylistFormat format = PlaylistFormat::None;
    friend bool operator==(const ReplyKind&, const ReplyKind&) = default;
};

// Classifies a server's reply from its content type (may be empty), the first bytes of its body
// and the address asked for. The body decides where it is clear; the content type and the
// address's file name extension decide for playlists that carry no marker of their own.
ReplyKind ClassifyReply(std::string_view contentType, std::string_view firstBytes,
                        std::string_view address);

// The bytes that ClassifyReply needs to see before it decides.
inline constexpr std::size_t kClassifyBytes = 512;

// Whether the address uses HTTP or HTTPS, whose replies may be playlists.
bool IsWebAddress(std::string_view address);

// Whether the address's file name extension is one of the playlist formats'.
bool HasPlaylistName(std::string_view address);

// The file name extension (with its dot, lower case) that the playlist format uses.
std::string PlaylistExtension(PlaylistFormat format);

// Every list an HTTP live stream's demuxer reads (the first, its variants, a live list's
// refreshes) is held to this: a real list is far smaller.
inline constexpr std::uint64_t kMaxLiveListBytes = 512 * 1024;
inline constexpr std::uint64_t kMaxLiveListLines = 10000;

// An HTTP live stream's list from a server, read as it arrives, a piece at a time: its size, and
// whether every address it names (its address lines and URI="..." attributes) is on the web or
// relative to the list. Such a list must neither lead the player to local files nor hold more
// than a list needs.
class LiveListWatch {
public:
    enum class Verdict { Fine, TooLong, NamesLocalAddress };

    // The verdict on the list so far, with `bytes` read; once it is not Fine, it stays so.
    Verdict Take(std::string_view bytes);
    Verdict Seen() const { return verdict_; }

private:
    void TakeLine(std::string_view line);

    std::uint64_t bytes_ = 0;
    std::uint64_t lines_ = 0;
    std::string partial_;
    Verdict verdict_ = Verdict::Fine;
};

} // namespace sonavia
