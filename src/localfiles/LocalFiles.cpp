#include "localfiles/LocalFiles.h"

#include "localfiles/AtomicFile.h"
#include "localfiles/LocalFilesLog.h"
#include "localfiles/RegularFile.h"
#include "rules/FetchProfiles.h"

namespace sonavia {

namespace {

// Each file is read up to what its format can hold, so that a huge file costs no memory. The
// number files hold a few short lines; the channel choice holds the package's folder name and a
// station name, which is never longer than the catalogue it came from.
constexpr std::size_t kNumberFileLimit = 4096;
constexpr std::size_t kPackageLineLimit = 4096;
constexpr std::size_t kChannelChoiceLimit = kPackageLineLimit + kCatalogueProfile.maxBytes;

// A line's value when it is a number within [low, high], else the line's default.
int NumberOr(std::string_view line, int low, int high, int fallback) {
    const auto value = LeadingNumber(line);
    return (value && *value >= low && *value <= high) ? static_cast<int>(*value) : fallback;
}

bool FlagOr(std::string_view line, bool fallback) {
    const auto value = LeadingNumber(line);
    return value ? *value >= 1 : fallback;
}

} // namespace

std::string NextLine(std::string_view& text) {
    const auto end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return std::string(line);
}

std::optional<long long> LeadingNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || text[i] < '0' || text[i] > '9') {
        return std::nullopt;
    }
    constexpr long long kLimit = 1'000'000'000'000LL;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > kLimit) {
            return std::nullopt;
        }
    }
    return negative ? -value : value;
}

std::string SettingsText(const Settings& s, bool trailingLineFeed) {
    std::string text = std::to_string(s.keepSelectedChannel ? 1 : 0) + "\n" +
                       std::to_string(s.nonStop ? 1 : 0) + "\n" + std::to_string(s.startHourIndex) +
                       "\n" + std::to_string(s.hoursIndex) + "\n" + std::to_string(s.volume);
    if (trailingLineFeed) {
        text += "\n";
    }
    return text;
}

Settings LoadSettings(const std::filesystem::path& directory, bool* written) {
    const Settings defaults;
    const auto text = ReadRegularFile(directory / kSettingsFile, kNumberFileLimit);
    if (!text) {
        // A file that exists but cannot be read (a directory, a FIFO, an unreadable disk) is left
        // alone rather than replaced.
        std::error_code error;
        if (!std::filesystem::exists(directory / kSettingsFile, error) && !error) {
            const bool ok =
                WriteFileAtomically(directory / kSettingsFile, SettingsText(defaults, true));
            if (written != nullptr) {
                *written = ok;
            }
        }
        return defaults;
    }
    std::string_view rest = *text;
    Settings s;
    s.keepSelectedChannel = FlagOr(NextLine(rest), defaults.keepSelectedChannel);
    s.nonStop = FlagOr(NextLine(rest), defaults.nonStop);
    s.startHourIndex = NumberOr(NextLine(rest), 0, kPlayTimeEntries - 1, defaults.startHourIndex);
    s.hoursIndex = NumberOr(NextLine(rest), 0, kPlayTimeEntries - 1, defaults.hoursIndex);
    s.volume = NumberOr(NextLine(rest), 0, kMaxVolume, defaults.volume);
    return s;
}

bool SaveSettings(const std::filesystem::path& directory, const Settings& settings) {
    return WriteFileAtomically(directory / kSettingsFile, SettingsText(settings, false));
}

std::optional<int> LoadInterfaceHue(const std::filesystem::path& directory) {
    const auto text = ReadRegularFile(directory / kInterfaceHueFile, kNumberFileLimit);
    if (!text) {
        return std::nullopt;
    }
    std::string_view rest = *text;
    const auto value = LeadingNumber(NextLine(rest));
    if (!value || *value < 0 || *value > kMaxHue) {
        return std::nullopt;
    }
    return static_cast<int>(*value);
}

bool SaveInterfaceHue(const std::filesystem::path& directory, int hue) {
    return WriteFileAtomically(directory / kInterfaceHueFile, std::to_string(hue) + "\n");
}

std::string PackageNameOf(std::string_view packageBase) {
    constexpr char kSeparators[] = "/\\";
    const auto last = packageBase.find_last_not_of(kSeparators);
    if (last == std::string_view::npos) {
        return {};
    }
    packageBase = packageBase.substr(0, last + 1);
    const auto separator = packageBase.find_last_of(kSeparators);
    return std::string(separator == std::string_view::npos ? packageBase
                                                           : packageBase.substr(separator + 1));
}

std::string LoadChannelChoice(const std::filesystem::path& directory,
                              std::string_view currentPackage) {
    const auto text = ReadRegularFile(directory / kChannelChoiceFile, kChannelChoiceLimit);
    if (!text) {
        return {};
    }
    std::string_view rest = *text;
    const std::string storedPackage = NextLine(rest);
    std::string name = NextLine(rest);
    if (currentPackage < std::string_view(storedPackage)) {
        name = kRandomStationName;
    }
    return name;
}

bool SaveChannelChoice(const std::filesystem::path& directory, std::string_view packageBase,
                       std::string_view name) {
    return WriteFileAtomically(directory / kChannelChoiceFile,
                               PackageNameOf(packageBase) + "\n" + std::string(name));
}

bool SaveLastStation(const std::filesystem::path& directory, std::string_view name) {
    return WriteFileAtomically(directory / kLastStationFile, name);
}

} // namespace sonavia
