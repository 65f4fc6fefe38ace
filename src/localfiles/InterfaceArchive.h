#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonavia {

// The answer of FindArchiveEntry when the archive has no entry of that name.
inline constexpr std::uint16_t kNoArchiveEntry = 65535;

struct ArchiveEntry {
    std::uint32_t dataSize = 0;
    std::uint32_t nameLength = 0;
    std::uint32_t offset = 0;
    std::string name;
};

// Why an archive's directory could not be read.
enum class ArchiveFault {
    None,
    Unreadable,       // missing, or cannot be opened
    ShortHeader,      // shorter than the header
    DirectoryPastEnd, // the directory or the offset table runs past the end of the file
};

// A short English description of the fault, for the tools' messages.
const char* ArchiveFaultText(ArchiveFault fault);

// The directory of the interface archive: the two header words (word 1 in the low half), the
// entry count and the entry table. Entry data is read on demand from `path`.
struct InterfacePackDirectory {
    std::uint32_t header = 0;
    std::uint16_t count = 0;
    std::vector<ArchiveEntry> entries;
    std::filesystem::path path;
    ArchiveFault fault = ArchiveFault::None; // why the directory is empty, when it is
};

// Reads the header, the directory and the offset table. A missing, truncated or corrupt archive
// gives an empty directory that names the fault: every count, name length and table is checked
// against the file.
InterfacePackDirectory ReadArchiveDirectory(const std::filesystem::path& path);

// The number of the first entry whose name equals `name` without regard to letter case.
std::uint16_t FindArchiveEntry(const InterfacePackDirectory& directory, std::string_view name);

// The bytes of an entry; none when the entry does not exist or its data lies outside the file.
std::optional<std::string> ReadArchiveEntry(const InterfacePackDirectory& directory,
                                            std::uint16_t entry);

// The entry's data as text; the empty text when there is no such entry.
std::string ReadArchiveText(const InterfacePackDirectory& directory, std::string_view name);

// The name of a picture drawn `scale` times as large: "@<scale>x" before the extension
// ("go.bmp" at 2 is "go@2x.bmp"), as Qt names its high-density files. Scale 1 keeps the name.
std::string ScaledEntryName(std::string_view name, int scale);

struct ArchiveItem {
    std::string name;
    std::string data;
};

// Writes an archive holding `items` in the given order, whole and atomically.
bool WriteArchive(const std::filesystem::path& path, const std::vector<ArchiveItem>& items);

// The most entries an archive can hold: entry number 65535 means "no such entry".
inline constexpr std::size_t kMaxArchiveEntries = kNoArchiveEntry;
// An archive is read up to this (the program's own is about 5 MB); the rest of a larger one is
// taken as missing, so that its directory reads as running past the end.
inline constexpr std::size_t kMaxArchiveBytes = 64 * 1024 * 1024;

} // namespace sonavia
