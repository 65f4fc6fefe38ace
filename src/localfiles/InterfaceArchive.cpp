#include "localfiles/InterfaceArchive.h"

#include "localfiles/AtomicFile.h"
#include "localfiles/LocalFilesLog.h"
#include "localfiles/RegularFile.h"

#include <algorithm>
#include <fstream>

namespace sonavia {

namespace {

constexpr std::uint64_t kHeaderBytes = 6;
constexpr std::uint64_t kFixedEntryBytes = 8; // name length and data size
constexpr std::uint64_t kOffsetBytes = 4;
// The first read of an archive's directory: the program's own takes about 2 KB.
constexpr std::size_t kFirstDirectoryRead = 64 * 1024;

// Reads little-endian fields from a byte buffer, refusing to pass its end.
class ByteReader {
public:
    explicit ByteReader(std::string_view bytes) : bytes_(bytes) {}

    bool U16(std::uint16_t& out) {
        std::uint32_t value = 0;
        if (!Le(2, value)) {
            return false;
        }
        out = static_cast<std::uint16_t>(value);
        return true;
    }
    bool U32(std::uint32_t& out) { return Le(4, out); }
    bool Text(std::uint32_t length, std::string& out) {
        if (length > bytes_.size() - position_) {
            return false;
        }
        out.assign(bytes_.substr(position_, length));
        position_ += length;
        return true;
    }
    std::uint64_t Remaining() const { return bytes_.size() - position_; }

private:
    bool Le(std::size_t width, std::uint32_t& out) {
        if (width > bytes_.size() - position_) {
            return false;
        }
        out = 0;
        for (std::size_t i = 0; i < width; ++i) {
            out |= static_cast<std::uint32_t>(static_cast<unsigned char>(bytes_[position_ + i]))
                   << (8 * i);
        }
        position_ += width;
        return true;
    }

    std::string_view bytes_;
    std::size_t position_ = 0;
};

bool EqualIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

void PutLe(std::string& out, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
    }
}

// Reads the header, the directory and the offset table from `bytes`, the first bytes of an
// archive of `fileSize` bytes, into `directory`: ArchiveFault::None once they are read, the fault
// that they show, or none when `bytes` end before the directory does.
std::optional<ArchiveFault> ParseDirectory(std::string_view bytes, std::uint64_t fileSize,
                                           InterfacePackDirectory& directory) {
    const bool whole = bytes.size() >= fileSize;
    const auto ranOut = [whole](ArchiveFault fault) {
        return whole ? std::optional<ArchiveFault>(fault) : std::nullopt;
    };
    ByteReader reader(bytes);
    std::uint16_t word1 = 0;
    std::uint16_t word2 = 0;
    std::uint16_t count = 0;
    if (!reader.U16(word1) || !reader.U16(word2) || !reader.U16(count)) {
        return ranOut(ArchiveFault::ShortHeader);
    }
    if (count * (kFixedEntryBytes + kOffsetBytes) > fileSize - kHeaderBytes) {
        return ArchiveFault::DirectoryPastEnd;
    }
    std::vector<ArchiveEntry> entries(count);
    for (auto& entry : entries) {
        if (!reader.U32(entry.nameLength) || !reader.Text(entry.nameLength, entry.name) ||
            !reader.U32(entry.dataSize)) {
            return ranOut(ArchiveFault::DirectoryPastEnd);
        }
    }
    for (auto& entry : entries) {
        if (!reader.U32(entry.offset)) {
            return ranOut(ArchiveFault::DirectoryPastEnd);
        }
    }
    directory.header =
        static_cast<std::uint32_t>(word1) | (static_cast<std::uint32_t>(word2) << 16);
    directory.count = count;
    directory.entries = std::move(entries);
    return ArchiveFault::None;
}

} // namespace

const char* ArchiveFaultText(ArchiveFault fault) {
    switch (fault) {
    case ArchiveFault::None:
        return "no fault";
    case ArchiveFault::Unreadable:
        return "cannot be read";
    case ArchiveFault::ShortHeader:
        return "is shorter than an archive header (truncated or not an archive)";
    case ArchiveFault::DirectoryPastEnd:
        return "has a directory that runs past the end of the file (truncated or corrupt)";
    }
    return "is not a valid archive";
}

InterfacePackDirectory ReadArchiveDirectory(const std::filesystem::path& path) {
    InterfacePackDirectory directory;
    directory.path = path;
    const auto fail = [&directory](ArchiveFault fault) {
        qCWarning(lcLocalFiles) << "the interface archive" << directory.path.c_str()
                                << ArchiveFaultText(fault);
        directory.fault = fault;
        return directory;
    };
    // The directory lies at the start of the archive: only its beginning is read, and more of it
    // only when the directory runs on past what was read. The pictures are read when wanted.
    for (std::size_t limit = kFirstDirectoryRead;; limit = std::min(2 * limit, kMaxArchiveBytes)) {
        const auto bytes = ReadRegularFile(path, limit);
        if (!bytes) {
            return fail(ArchiveFault::Unreadable);
        }
        std::uint64_t fileSize = bytes->size();
        if (bytes->size() == limit) {
            std::error_code error;
            fileSize = std::max<std::uint64_t>(
                fileSize,
                std::min<std::uint64_t>(std::filesystem::file_size(path, error), kMaxArchiveBytes));
        }
        const std::optional<ArchiveFault> fault = ParseDirectory(*bytes, fileSize, directory);
        if (fault) {
            return *fault == ArchiveFault::None ? directory : fail(*fault);
        }
        if (limit == kMaxArchiveBytes) {
            return fail(ArchiveFault::DirectoryPastEnd);
        }
    }
}

std::uint16_t FindArchiveEntry(const InterfacePackDirectory& directory, std::string_view name) {
    for (std::size_t i = 0; i < directory.entries.size() && i < kMaxArchiveEntries; ++i) {
        if (EqualIgnoringCase(directory.entries[i].name, name)) {
            return static_cast<std::uint16_t>(i);
        }
    }
    return kNoArchiveEntry;
}

std::optional<std::string> ReadArchiveEntry(const InterfacePackDirectory& directory,
                                            std::uint16_t entry) {
    if (entry >= directory.entries.size()) {
        return std::nullopt;
    }
    const ArchiveEntry& item = directory.entries[entry];
    std::ifstream in(directory.path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    in.seekg(0, std::ios::end);
    const auto end = in.tellg();
    if (end < 0 || item.offset > static_cast<std::uint64_t>(end) ||
        item.dataSize > static_cast<std::uint64_t>(end) - item.offset) {
        return std::nullopt;
    }
    std::string data(item.dataSize, '\0');
    in.seekg(item.offset);
    in.read(data.data(), static_cast<std::streamsize>(data.size()));
    if (!in) {
        return std::nullopt;
    }
    return data;
}

std::string ReadArchiveText(const InterfacePackDirectory& directory, std::string_view name) {
    auto text = ReadArchiveEntry(directory, FindArchiveEntry(directory, name));
    if (!text) {
        qCWarning(lcLocalFiles) << "no entry" << std::string(name).c_str()
                                << "can be read from the interface archive"
                                << directory.path.c_str();
        return {};
    }
    return std::move(*text);
}

std::string ScaledEntryName(std::string_view name, int scale) {
    if (scale == 1) {
        return std::string(name);
    }
    const std::size_t dot = name.rfind('.');
    const std::size_t stem = dot == std::string_view::npos ? name.size() : dot;
    return std::string(name.substr(0, stem)) + "@" + std::to_string(scale) + "x" +
           std::string(name.substr(stem));
}

bool WriteArchive(const std::filesystem::path& path, const std::vector<ArchiveItem>& items) {
    if (items.size() > kMaxArchiveEntries) {
        return false;
    }
    constexpr std::uint32_t kHeaderWord1 = 1;
    constexpr std::uint32_t kHeaderWord2 = 0;
    std::string out;
    PutLe(out, kHeaderWord1, 2);
    PutLe(out, kHeaderWord2, 2);
    PutLe(out, static_cast<std::uint32_t>(items.size()), 2);
    std::uint64_t tableEnd = kHeaderBytes;
    for (const auto& item : items) {
        tableEnd += kFixedEntryBytes + item.name.size() + kOffsetBytes;
    }
    std::uint64_t dataOffset = tableEnd;
    for (const auto& item : items) {
        PutLe(out, static_cast<std::uint32_t>(item.name.size()), 4);
        out += item.name;
        PutLe(out, static_cast<std::uint32_t>(item.data.size()), 4);
    }
    for (const auto& item : items) {
        if (dataOffset + item.data.size() > UINT32_MAX) {
            return false;
        }
        PutLe(out, static_cast<std::uint32_t>(dataOffset), 4);
        dataOffset += item.data.size();
    }
    for (const auto& item : items) {
        out += item.data;
    }
    return WriteFileAtomically(path, out);
}

} // namespace sonavia
