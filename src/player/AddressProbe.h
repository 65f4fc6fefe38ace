#pragma once

#include "player/AddressKind.h"

#include <stop_token>
#include <string>

// Asks a web address's server what it serves before the player gets the address: stations
// often publish a playlist in place of their stream.
namespace sonavia {

// The bounds of one probe: the same connect time-out as the catalogue requests, a byte limit
// that any real playlist fits in, and an overall limit that a stalled server cannot stretch.
inline constexpr long kProbeConnectTimeoutMs = 5000;
inline constexpr std::size_t kPlaylistMaxBytes = 102400;
inline constexpr long kProbeTotalTimeoutMs = 8000;

struct ProbeResult {
    ReplyKind kind;
    // The body read, cut at kPlaylistMaxBytes; for streams only the bytes that decided it.
    std::string body;
    // The address that answered, after redirects: playlist entries are relative to it.
    std::string effectiveAddress;
};

// Reads the start of the reply to `address` (HTTP or HTTPS only, redirects followed within
// those schemes) and, for a playlist, the whole playlist up to the byte limit. A failed request
// gives a stream: the player then reports the failure in its own terms.
//
// `totalTimeoutMs` shortens the overall limit (an open has its own bound); the request ends
// early, as failed, once `stop` is requested.
ProbeResult ProbeAddress(const std::string& address, long totalTimeoutMs = kProbeTotalTimeoutMs,
                         std::stop_token stop = {});

} // namespace sonavia
