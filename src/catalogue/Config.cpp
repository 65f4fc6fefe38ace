#include "catalogue/Config.h"

#include "localfiles/AtomicFile.h"
#include "localfiles/InterfaceArchive.h"
#include "localfiles/RegularFile.h"
#include "rules/LinkAddresses.h"
#include "rules/Product.h"

#include <cstdlib>
#include <pwd.h>
#include <system_error>
#include <unistd.h>
#include <vector>

namespace sonavia {

namespace {

// The variable's value, else the fallback; a final "/" is added when it is missing, since every
// path is appended to the base as it stands.
std::string BaseFrom(const char* variable, std::string fallback) {
    const char* value = std::getenv(variable);
    std::string base =
        (value != nullptr && *value != '\0') ? std::string(value) : std::move(fallback);
    if (base.back() != '/') {
        base.push_back('/');
    }
    return base;
}

std::filesystem::path ArchiveIn(const std::filesystem::path& directory) {
    return directory / kInterfaceFolder / kInterfaceArchiveName;
}

bool HoldsArchive(const std::filesystem::path& directory) {
    std::error_code error;
    return !directory.empty() && std::filesystem::is_regular_file(ArchiveIn(directory), error);
}

bool HoldsBundledCatalogue(const std::filesystem::path& directory) {
    std::error_code error;
    return std::filesystem::is_directory(directory / kBundledCatalogueFolder, error);
}

// The user's data folder: $XDG_DATA_HOME, which counts only when absolute, else
// ~/.local/share; empty when neither is known.
std::filesystem::path UserDataHome(const StartupFacts& facts) {
    const std::filesystem::path xdg = facts.xdgDataHome;
    if (xdg.is_absolute()) {
        return xdg;
    }
    const std::filesystem::path home = facts.home;
    return home.is_absolute() ? home / kDefaultDataHome : std::filesystem::path{};
}

} // namespace

std::optional<StartupPlaces> FindStartupPlaces(const StartupFacts& facts) {
    const std::filesystem::path programFolder = facts.executable.parent_path();
    const std::filesystem::path installed =
        programFolder.empty()
            ? std::filesystem::path{}
            : (programFolder / kInstalledDataFromProgram / kDataFolderName).lexically_normal();

    StartupPlaces places;
    if (HoldsArchive(facts.currentDirectory)) {
        places.startupDirectory = facts.currentDirectory;
    } else if (HoldsArchive(programFolder)) {
        places.startupDirectory = programFolder;
    } else if (HoldsArchive(installed) && !UserDataHome(facts).empty()) {
        places.startupDirectory = UserDataHome(facts) / kDataFolderName;
        places.archiveSource = ArchiveIn(installed);
    } else {
        return std::nullopt;
    }

    places.dataDirectory = places.startupDirectory;
    for (const auto& candidate : {places.startupDirectory, programFolder, installed}) {
        if (!candidate.empty() && HoldsBundledCatalogue(candidate)) {
            places.dataDirectory = candidate;
            break;
        }
    }
    return places;
}

StartupFacts CurrentStartupFacts() {
    StartupFacts facts;
    std::error_code error;
    facts.currentDirectory = std::filesystem::current_path(error);
    facts.executable = std::filesystem::read_symlink("/proc/self/exe", error);
    if (const char* xdg = std::getenv("XDG_DATA_HOME")) {
        facts.xdgDataHome = xdg;
    }
    if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') {
        facts.home = home;
    } else {
        const long suggested = ::sysconf(_SC_GETPW_R_SIZE_MAX);
        std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
        passwd entry{};
        passwd* found = nullptr;
        if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
            found != nullptr && found->pw_dir != nullptr) {
            facts.home = found->pw_dir;
        }
    }
    return facts;
}

bool FillStartupDirectory(const StartupPlaces& places) {
    const std::filesystem::path copy = ArchiveIn(places.startupDirectory);
    if (places.archiveSource.empty()) {
        return HoldsArchive(places.startupDirectory);
    }
    // Compared whole, not by date: a package keeps its files' build dates, so a newer version's
    // archive may well be older than the copy made from the last one.
    const std::optional<std::string> installed =
        ReadRegularFile(places.archiveSource, kMaxArchiveBytes);
    if (installed && ReadRegularFile(copy, kMaxArchiveBytes) != installed) {
        std::error_code error;
        std::filesystem::create_directories(copy.parent_path(), error);
        WriteFileAtomically(copy, *installed);
    }
    // A copy that could not be refreshed still serves.
    return HoldsArchive(places.startupDirectory);
}

std::string FileUrlOf(const std::filesystem::path& folder) {
    std::string url =
        "file://" +
        PercentEncoded(std::filesystem::absolute(folder).lexically_normal().string(), "/");
    if (url.back() != '/') {
        url.push_back('/');
    }
    return url;
}

ServerBases ServerBasesFor(const std::filesystem::path& dataDirectory) {
    return {BaseFrom(kCatalogueBaseVariable, FileUrlOf(dataDirectory / kBundledCatalogueFolder)) +
                kCatalogueProductFolder,
            BaseFrom(kSiteBaseVariable, FileUrlOf(dataDirectory / kBundledSiteFolder)) +
                kSiteProductFolder,
            BaseFrom(kSearchBaseVariable, kPublicSearchBase)};
}

} // namespace sonavia
