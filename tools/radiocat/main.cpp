// radiocat: makes a catalogue folder from a station list or from the community directory's
// station export, and checks a catalogue folder the way the program reads it, for the people who
// run a catalogue.

#include "CatalogueCheck.h"
#include "CatalogueFiles.h"
#include "StationExport.h"
#include "rules/FetchProfiles.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using namespace sonavia::radiocat;
namespace fs = std::filesystem;

constexpr int kUsageError = 2;
constexpr int kFailure = 1;
constexpr auto kFolderPermissions = fs::perms::owner_all | fs::perms::group_read |
                                    fs::perms::group_exec | fs::perms::others_read |
                                    fs::perms::others_exec;

int Usage() {
    std::cerr
        << "usage:\n"
           "  radiocat build STATIONS.tsv DIR [--shopping-root URL] [--shopping TOPICS]\n"
           "      writes the catalogue folder DIR from a station list: UTF-8 text, one station\n"
           "      a line, five columns separated by tabs: country, name, description, stream\n"
           "      address, offered (1 or 0); \"#\" starts a comment line. TOPICS is a file of\n"
           "      shopping topics, one a line. DIR is replaced only when it is complete.\n"
           "  radiocat import EXPORT.json DIR [--max-per-country N] [--countries CC,CC,...]\n"
           "      writes the catalogue folder DIR from the community directory's station\n"
           "      export (the JSON array of its stations endpoint): the stations whose stream\n"
           "      answered at its last check in a format the player decodes, duplicates merged,\n"
           "      each country's stations by votes, as many as the catalogue's "
        << sonavia::kCatalogueProfile.maxBytes
        << " bytes\n"
           "      hold. N limits the stations of one country; CC are two-letter country codes.\n"
           "      Reports what it kept and what it dropped, and why.\n"
           "  radiocat check DIR\n"
           "      reads DIR as the program does and reports every problem\n";
    return kUsageError;
}

void Report(const std::vector<Problem>& problems) {
    for (const auto& problem : problems) {
        std::cerr << problem.file;
        if (problem.line > 0) {
            std::cerr << ':' << problem.line;
        }
        std::cerr << ": " << problem.text << '\n';
    }
}

std::optional<std::string> ReadWhole(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    std::string bytes(std::istreambuf_iterator<char>(in), {});
    if (in.bad()) {
        return std::nullopt;
    }
    return bytes;
}

// The folder under construction: removed with everything in it unless it was moved into place.
class TemporaryFolder {
public:
    explicit TemporaryFolder(const fs::path& besides) {
        std::string pattern =
            (besides.parent_path() / ("." + besides.filename().string() + ".radiocat-XXXXXX"))
                .string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~TemporaryFolder() {
        if (!path_.empty()) {
            std::error_code error;
            fs::remove_all(path_, error);
        }
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;

    const fs::path& Path() const { return path_; }

private:
    fs::path path_;
};

// An existing DIR is replaced only when it is empty or holds nothing but a catalogue, so that a
// mistyped folder is never lost.
std::optional<std::string> WhyNotReplaceable(const fs::path& target) {
    std::error_code error;
    const auto status = fs::symlink_status(target, error);
    if (!fs::exists(status)) {
        return std::nullopt;
    }
    if (fs::is_symlink(status)) {
        return "is a symbolic link; name the folder itself";
    }
    if (!fs::is_directory(status)) {
        return "exists and is not a folder";
    }
    const std::string productFolder = fs::path(CataloguePath()).begin()->string();
    for (const auto& entry : fs::directory_iterator(target, error)) {
        if (entry.path().filename() != productFolder) {
            return "holds " + entry.path().filename().string() +
                   ", which is not part of a catalogue; choose an empty or new folder";
        }
    }
    if (error) {
        return "cannot be read: " + error.message();
    }
    return std::nullopt;
}

bool WriteFiles(const fs::path& folder, const std::vector<FolderFile>& files) {
    for (const auto& file : files) {
        const fs::path path = folder / file.path;
        std::error_code error;
        fs::create_directories(path.parent_path(), error);
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out.write(file.bytes.data(), static_cast<std::streamsize>(file.bytes.size()));
        out.close();
        if (error || !out) {
            std::cerr << "radiocat: cannot write " << path.string() << '\n';
            return false;
        }
    }
    // One flush of the whole file system instead of one per file.
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
    const bool synced = fd >= 0 && ::syncfs(fd) == 0;
    if (fd >= 0) {
        ::close(fd);
    }
    if (!synced) {
        std::cerr << "radiocat: cannot flush " << folder.string() << '\n';
    }
    return synced;
}

// Puts the finished folder in place of `target`; an existing target is swapped out in one step,
// and what it held ends up in the temporary folder, which is then removed.
bool MoveIntoPlace(const fs::path& built, const fs::path& target) {
    std::error_code error;
    if (!fs::exists(fs::symlink_status(target, error))) {
        if (::rename(built.c_str(), target.c_str()) == 0) {
            return true;
        }
    } else if (::renameat2(AT_FDCWD, built.c_str(), AT_FDCWD, target.c_str(), RENAME_EXCHANGE) ==
               0) {
        return true;
    } else if (errno == EINVAL || errno == ENOSYS) {
        // A file system without the exchange: move the old folder aside first.
        TemporaryFolder aside(target);
        if (!aside.Path().empty() && ::rename(target.c_str(), aside.Path().c_str()) == 0) {
            if (::rename(built.c_str(), target.c_str()) == 0) {
                return true;
            }
            ::rename(aside.Path().c_str(), target.c_str());
        }
    }
    std::cerr << "radiocat: cannot put the catalogue in place at " << target.string() << ": "
              << std::strerror(errno) << '\n';
    return false;
}

fs::path TargetFolder(const std::string& argument) {
    fs::path target = fs::absolute(argument).lexically_normal();
    if (target.filename().empty()) {
        target = target.parent_path();
    }
    return target;
}

// Writes the files in a new folder beside `target`, reads them back as the program does, and
// only then puts the folder in place of `target`.
bool WriteCatalogueFolder(const std::vector<FolderFile>& files, const fs::path& target) {
    std::error_code error;
    fs::create_directories(target.parent_path(), error);
    TemporaryFolder built(target);
    if (built.Path().empty()) {
        std::cerr << "radiocat: cannot make a folder beside " << target.string() << '\n';
        return false;
    }
    fs::permissions(built.Path(), kFolderPermissions, error);
    if (!WriteFiles(built.Path(), files)) {
        return false;
    }
    const auto written = CheckCatalogueFolder(built.Path());
    if (!written.empty()) {
        Report(written);
        std::cerr << "radiocat: the written catalogue does not read back; nothing replaced\n";
        return false;
    }
    return MoveIntoPlace(built.Path(), target);
}

int Build(const std::vector<std::string>& args) {
    std::optional<std::string> shoppingRoot;
    std::optional<std::string> topicsFile;
    for (std::size_t i = 3; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            return Usage();
        }
        if (args[i] == "--shopping-root" && !shoppingRoot) {
            shoppingRoot = args[i + 1];
        } else if (args[i] == "--shopping" && !topicsFile) {
            topicsFile = args[i + 1];
        } else {
            return Usage();
        }
    }

    std::vector<Problem> problems;
    const auto list = ReadWhole(args[1]);
    if (!list) {
        std::cerr << "radiocat: cannot read " << args[1] << '\n';
        return kFailure;
    }
    const auto stations = ReadStationList(*list, args[1], problems);
    if (shoppingRoot) {
        CheckShoppingRoot(*shoppingRoot, problems);
    }
    std::optional<std::vector<std::string>> topics;
    if (topicsFile) {
        const auto text = ReadWhole(*topicsFile);
        if (!text) {
            std::cerr << "radiocat: cannot read " << *topicsFile << '\n';
            return kFailure;
        }
        topics = ReadShoppingTopics(*text, *topicsFile, problems);
    }

    const fs::path target = TargetFolder(args[2]);
    if (const auto why = WhyNotReplaceable(target)) {
        problems.push_back({target.string(), 0, *why});
    }
    if (!problems.empty()) {
        Report(problems);
        std::cerr << "radiocat: " << problems.size()
                  << (problems.size() == 1 ? " problem" : " problems") << "; nothing written\n";
        return kFailure;
    }
    if (!WriteCatalogueFolder(CatalogueFolderFiles(stations, shoppingRoot, topics), target)) {
        return kFailure;
    }
    std::size_t offered = 0;
    for (const auto& station : stations) {
        offered += station.offered ? 1 : 0;
    }
    std::cout << target.string() << ": " << stations.size() << " stations, " << offered
              << " offered\n";
    return 0;
}

// The options of import; none when they are not understood.
std::optional<ImportOptions> ReadImportOptions(const std::vector<std::string>& args) {
    constexpr std::size_t kCodeLength = 2;
    ImportOptions options;
    for (std::size_t i = 3; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            return std::nullopt;
        }
        const std::string& value = args[i + 1];
        if (args[i] == "--max-per-country" && !options.maxPerCountry) {
            int n = 0;
            const auto [end, error] = std::from_chars(value.data(), value.data() + value.size(), n);
            if (error != std::errc() || end != value.data() + value.size() || n < 1) {
                return std::nullopt;
            }
            options.maxPerCountry = n;
        } else if (args[i] == "--countries" && options.countries.empty()) {
            std::stringstream list(value);
            for (std::string code; std::getline(list, code, ',');) {
                if (code.size() != kCodeLength ||
                    !std::isalpha(static_cast<unsigned char>(code[0])) ||
                    !std::isalpha(static_cast<unsigned char>(code[1]))) {
                    return std::nullopt;
                }
                std::transform(code.begin(), code.end(), code.begin(),
                               [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
                options.countries.push_back(code);
            }
            if (options.countries.empty()) {
                return std::nullopt;
            }
        } else {
            return std::nullopt;
        }
    }
    return options;
}

int Import(const std::vector<std::string>& args) {
    const auto options = ReadImportOptions(args);
    if (!options) {
        return Usage();
    }
    const std::string& file = args[1];
    const fs::path target = TargetFolder(args[2]);
    if (const auto why = WhyNotReplaceable(target)) {
        std::cerr << target.string() << ": " << *why << "\nradiocat: nothing written\n";
        return kFailure;
    }
    std::error_code error;
    if (fs::is_directory(file, error)) {
        std::cerr << "radiocat: " << file << " is a folder, not a station export\n";
        return kFailure;
    }
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        std::cerr << "radiocat: cannot read " << file << '\n';
        return kFailure;
    }
    const ImportResult result = ImportStationExport(in, *options);
    if (in.bad()) {
        std::cerr << "radiocat: cannot read " << file << "; nothing written\n";
        return kFailure;
    }
    if (!result.error.empty()) {
        std::cerr << file << ": " << result.error << "\nradiocat: not a station export that "
                  << "radiocat reads; nothing written\n";
        return kFailure;
    }
    if (result.stations.empty()) {
        std::cerr << file << ": no station for the catalogue among its " << result.records
                  << " stations; nothing written\n";
        return kFailure;
    }
    const auto files = CatalogueFolderFiles(result.stations, std::nullopt, std::nullopt);
    if (!WriteCatalogueFolder(files, target)) {
        return kFailure;
    }
    const auto catalogue = std::find_if(
        files.begin(), files.end(), [](const FolderFile& f) { return f.path == CataloguePath(); });
    std::uint64_t dropped = 0;
    for (const auto count : result.dropped) {
        dropped += count;
    }
    std::cout << target.string() << ": " << result.stations.size() << " stations in "
              << result.countries << " countries, " << catalogue->bytes.size() << " of "
              << sonavia::kCatalogueProfile.maxBytes << " catalogue bytes\n"
              << "read " << result.records << " stations of the export\n"
              << "kept " << result.stations.size() << "\n"
              << "dropped " << dropped << ":\n";
    for (std::size_t reason = 0; reason < kDroppedReasons; ++reason) {
        std::cout << "  " << result.dropped[reason] << ' '
                  << DroppedText(static_cast<Dropped>(reason)) << '\n';
    }
    return 0;
}

int Check(const fs::path& folder) {
    const auto problems = CheckCatalogueFolder(folder);
    if (!problems.empty()) {
        Report(problems);
        std::cerr << "radiocat: " << problems.size()
                  << (problems.size() == 1 ? " problem" : " problems") << '\n';
        return kFailure;
    }
    std::cout << folder.string() << ": no problem\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 3 && args[0] == "build") {
        return Build(args);
    }
    if (args.size() >= 3 && args[0] == "import") {
        return Import(args);
    }
    if (args.size() == 2 && args[0] == "check") {
        return Check(args[1]);
    }
    return Usage();
}
