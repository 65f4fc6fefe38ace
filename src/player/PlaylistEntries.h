#pragma once

#include "player/AddressKind.h"

#include <string>
#include <vector>

namespace sonavia {

// The most entries of one playlist that the player tries before it gives up.
inline constexpr std::size_t kMaxPlaylistEntries = 8;

// The stream addresses that a playlist lists, in order, at most kMaxPlaylistEntries. Relative
// entries are resolved against `baseAddress`; only network addresses are kept, so a playlist
// from a server cannot make the player open local files.
std::vector<std::string> PlaylistEntries(const std::string& body, PlaylistFormat format,
                                         const std::string& baseAddress);

} // namespace sonavia
