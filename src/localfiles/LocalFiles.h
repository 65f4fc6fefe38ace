#pragma once

#include "rules/Product.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// The program's small state files in the start-up directory. Every writer rewrites its file
// whole and atomically; every reader falls back to a line's default when the line is missing
// or malformed, and to the file's defaults when it is not a regular file or cannot be read.
// Readers never wait on the file and read no more of it than its format can hold.
namespace sonavia {

inline constexpr char kSettingsFile[] = "setting.dat";
inline constexpr char kInterfaceHueFile[] = "iface.dat";
inline constexpr char kChannelChoiceFile[] = "channel.dat";
inline constexpr char kLastStationFile[] = "tv.dat";

inline constexpr char kRandomStationName[] = "random";

inline constexpr int kPlayTimeEntries = 24; // hours 0..23, and 1..24 hours

struct Settings {
    bool keepSelectedChannel = true; // "Keep selected Channel" rather than a random start
    bool nonStop = true;
    int startHourIndex = 0;
    int hoursIndex = 0;
    int volume = kDefaultVolume;
    friend bool operator==(const Settings&, const Settings&) = default;
};

// Reads "setting.dat"; when it is missing the defaults are used and written to it, and
// `written`, when given, tells whether that write succeeded.
Settings LoadSettings(const std::filesystem::path& directory, bool* written = nullptr);
bool SaveSettings(const std::filesystem::path& directory, const Settings& settings);
// The bytes of "setting.dat": the defaults' file ends with a line feed, a saved one does not.
std::string SettingsText(const Settings& settings, bool trailingLineFeed);

// The interface hue from "iface.dat"; none when the file is missing or holds no valid hue, in
// which case the caller keeps the hue it has.
std::optional<int> LoadInterfaceHue(const std::filesystem::path& directory);
bool SaveInterfaceHue(const std::filesystem::path& directory, int hue);

// The station name remembered in "channel.dat" ("random" when the stored package is greater
// than the current one); empty when the file is missing.
std::string LoadChannelChoice(const std::filesystem::path& directory,
                              std::string_view currentPackage);
// Writes the package name found in `packageBase` and the station name.
bool SaveChannelChoice(const std::filesystem::path& directory, std::string_view packageBase,
                       std::string_view name);
// The package's own name: the last non-empty path segment of the package base, so that the
// server's or folder's name ("packages.example.org", "radio-packages") never stands for it.
std::string PackageNameOf(std::string_view packageBase);

// Writes the name of the station last started from the channel tree to "tv.dat".
bool SaveLastStation(const std::filesystem::path& directory, std::string_view name);

// Splits text at line feeds, dropping one carriage return before each line feed.
std::string NextLine(std::string_view& text);

// The usual leading-digits rule: optional blanks, an optional sign, then digits. None when no
// digit follows.
std::optional<long long> LeadingNumber(std::string_view text);

} // namespace sonavia
