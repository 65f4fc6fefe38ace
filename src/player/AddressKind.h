#pragma once

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

} // namespace sonavia
