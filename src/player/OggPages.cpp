#include "player/OggPages.h"

#include <array>
#include <cstring>

namespace sonavia {

namespace {

constexpr char kCapture[] = "OggS";
constexpr std::size_t kCaptureSize = 4;
constexpr std::size_t kHeaderSize = 27;
constexpr std::size_t kFlagsAt = 5;
constexpr std::size_t kGranuleAt = 6;
constexpr std::size_t kSerialAt = 14;
constexpr std::size_t kSequenceAt = 18;
constexpr std::size_t kChecksumAt = 22;
constexpr std::size_t kSegmentCountAt = 26;
constexpr unsigned char kContinuedFlag = 0x01;
constexpr unsigned char kBeginsFlag = 0x02;
constexpr std::size_t kMaxSegments = 255;
constexpr unsigned char kFullSegment = 255;
constexpr std::uint32_t kChecksumPolynomial = 0x04c11db7;

using ChecksumTable = std::array<std::uint32_t, 256>;

constexpr ChecksumTable MakeChecksumTable() {
    ChecksumTable table{};
    for (std::uint32_t i = 0; i < table.size(); ++i) {
        std::uint32_t value = i << 24;
        for (int bit = 0; bit < 8; ++bit) {
            value = (value & 0x80000000u) != 0 ? (value << 1) ^ kChecksumPolynomial : value << 1;
        }
        table[i] = value;
    }
    return table;
}

constexpr ChecksumTable kChecksumTable = MakeChecksumTable();

// Ogg's checksum of a page whose checksum field holds zeros.
std::uint32_t Checksum(std::string_view page) {
    std::uint32_t crc = 0;
    for (const char c : page) {
        crc = (crc << 8) ^ kChecksumTable[((crc >> 24) ^ static_cast<unsigned char>(c)) & 0xff];
    }
    return crc;
}

std::uint64_t ReadLittleEndian(std::string_view bytes, std::size_t at, std::size_t size) {
    std::uint64_t value = 0;
    for (std::size_t i = size; i-- > 0;) {
        value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
    }
    return value;
}

void WriteLittleEndian(std::string& bytes, std::size_t at, std::uint64_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) {
        bytes[at + i] = static_cast<char>((value >> (8 * i)) & 0xff);
    }
}

// The whole length of the page at the start of `bytes`; 0 until enough of it is there to say.
std::size_t PageLength(std::string_view bytes) {
    if (bytes.size() < kHeaderSize) {
        return 0;
    }
    const std::size_t segments = static_cast<unsigned char>(bytes[kSegmentCountAt]);
    if (bytes.size() < kHeaderSize + segments) {
        return 0;
    }
    std::size_t length = kHeaderSize + segments;
    for (std::size_t i = 0; i < segments; ++i) {
        length += static_cast<unsigned char>(bytes[kHeaderSize + i]);
    }
    return length;
}

bool ChecksumHolds(std::string_view page) {
    std::string zeroed(page);
    WriteLittleEndian(zeroed, kChecksumAt, 0, 4);
    return Checksum(zeroed) == ReadLittleEndian(page, kChecksumAt, 4);
}

} // namespace

std::optional<OggPage> OggPageReader::Next() {
    while (true) {
        const std::size_t start = pending_.find(kCapture);
        if (start == std::string::npos) {
            // A capture pattern may begin in the last bytes.
            if (pending_.size() >= kCaptureSize) {
                pending_.erase(0, pending_.size() - (kCaptureSize - 1));
            }
            return std::nullopt;
        }
        pending_.erase(0, start);
        const std::size_t length = PageLength(pending_);
        if (length == 0 || pending_.size() < length) {
            return std::nullopt;
        }
        const std::string_view page(pending_.data(), length);
        if (pending_[kCaptureSize] != 0 || !ChecksumHolds(page)) {
            pending_.erase(0, 1);
            continue;
        }
        OggPage found;
        found.bytes = std::string(page);
        found.serial = static_cast<std::uint32_t>(ReadLittleEndian(page, kSerialAt, 4));
        found.granule = ReadLittleEndian(page, kGranuleAt, 8);
        found.begins = (static_cast<unsigned char>(page[kFlagsAt]) & kBeginsFlag) != 0;
        pending_.erase(0, length);
        return found;
    }
}

std::string OggHeaderPages(const std::vector<std::string>& packets, std::uint32_t serial) {
    std::string pages;
    std::uint32_t sequence = 0;
    for (const std::string& packet : packets) {
        // Lacing: 255 for each full segment, then the rest (0 when the packet fills its last).
        std::vector<unsigned char> lacing(packet.size() / kFullSegment, kFullSegment);
        lacing.push_back(static_cast<unsigned char>(packet.size() % kFullSegment));
        std::size_t laced = 0;
        std::size_t body = 0;
        while (laced < lacing.size()) {
            const std::size_t count = std::min(kMaxSegments, lacing.size() - laced);
            const bool ends = laced + count == lacing.size();
            std::string page(kHeaderSize, '\0');
            std::memcpy(page.data(), kCapture, kCaptureSize);
            page[kFlagsAt] = static_cast<char>((laced > 0 ? kContinuedFlag : 0) |
                                               (sequence == 0 ? kBeginsFlag : 0));
            WriteLittleEndian(page, kGranuleAt, ends ? 0 : kOggNoGranule, 8);
            WriteLittleEndian(page, kSerialAt, serial, 4);
            WriteLittleEndian(page, kSequenceAt, sequence++, 4);
            page[kSegmentCountAt] = static_cast<char>(count);
            std::size_t size = 0;
            for (std::size_t i = laced; i < laced + count; ++i) {
                page.push_back(static_cast<char>(lacing[i]));
                size += lacing[i];
            }
            page.append(packet, body, size);
            WriteLittleEndian(page, kChecksumAt, Checksum(page), 4);
            pages += page;
            laced += count;
            body += size;
        }
    }
    return pages;
}

} // namespace sonavia
