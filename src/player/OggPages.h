#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonavia {

// One page of an Ogg stream (RFC 3533), whole, as it was received.
struct OggPage {
    std::string bytes;
    std::uint32_t serial = 0;
    std::uint64_t granule = 0;
    // The first page of a logical stream: its headers follow it.
    bool begins = false;
};

// Ogg's granule position of a page on which no packet ends.
inline constexpr std::uint64_t kOggNoGranule = ~std::uint64_t{0};

// Cuts received bytes into Ogg pages. Bytes that do not start a sound page (the middle of a page
// where a recording begins, a damaged page) are skipped up to the next page whose checksum holds.
class OggPageReader {
public:
    void Take(std::string_view bytes) { pending_.append(bytes); }
    std::optional<OggPage> Next();
    void Reset() { pending_.clear(); }

private:
    std::string pending_;
};

// Header packets (as a demuxer hands them on) as the pages that begin logical stream `serial`.
std::string OggHeaderPages(const std::vector<std::string>& packets, std::uint32_t serial);

} // namespace sonavia
