#pragma once

#include <cstdint>
#include <filesystem>

namespace sonavia {

// The version number a program reports when its executable carries no version record.
inline constexpr float kInitialVersionNumber = 1.1f;
inline constexpr char kVersionRecordSection[] = ".sonavia_version";
inline constexpr char kVersionRecordMagic[8] = {'S', 'O', 'N', 'V', 'E', 'R', '0', '1'};

// The file-version words of the executable, as the build embeds them: the most significant
// word holds major (high half) and minor (low half).
struct VersionRecord {
    char magic[8];
    std::uint32_t fileVersionMS;
    std::uint32_t fileVersionLS;
};

constexpr VersionRecord MakeVersionRecord(unsigned major, unsigned minor) {
    return VersionRecord{
        {'S', 'O', 'N', 'V', 'E', 'R', '0', '1'}, ((major & 0xFFFFu) << 16) | (minor & 0xFFFFu), 0};
}

// Reads the record from an executable file and turns its most significant word into a number
// the way a "major.minor" text reads: minor 10 gives .1, minor 5 gives .5. Any failure gives
// kInitialVersionNumber.
float ReadVersionNumber(const std::filesystem::path& executable);

// The running executable's own version number.
float ReadOwnVersionNumber();

} // namespace sonavia
