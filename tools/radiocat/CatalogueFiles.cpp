#include "CatalogueFiles.h"

#include "catalogue/CatalogueLoad.h"
#include "catalogue/Config.h"
#include "catalogue/Package.h"
#include "rules/CatalogueText.h"
#include "rules/FetchProfiles.h"

#include <algorithm>
#include <functional>
#include <map>

namespace sonavia::radiocat {

namespace {

constexpr char kShoppingRootFile[] = "shoppingroot.all";
constexpr char kShoppingListFile[] = "shopping.rd";
// The program reads the shopping files in one read each of at most these many bytes.
constexpr std::size_t kShoppingRootMaxBytes = 1024;
constexpr std::size_t kShoppingListMaxBytes = 5120;

constexpr std::size_t kColumns = 5;
constexpr char kColumnNames[] = "country, name, description, stream address, offered (1 or 0)";
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr char kFieldSpace[] = " \t\r\n\v\f";
constexpr char kCommentMark = '#';

std::string_view Trimmed(std::string_view text) {
    const auto first = text.find_first_not_of(kFieldSpace);
    if (first == std::string_view::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(kFieldSpace) - first + 1);
}

bool HasControlCharacter(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return true;
        }
    }
    return false;
}

// What the program would do to a catalogue text field that it must show as written.
void CheckCatalogueField(std::string_view field, const char* what, const std::string& file,
                         int line, std::vector<Problem>& problems) {
    if (HasControlCharacter(field)) {
        problems.push_back({file, line, std::string("the ") + what + " holds a control character"});
    }
    if (CleanCatalogueLine(field) != field) {
        const auto mark = field.find(kCommentMark);
        problems.push_back({file, line,
                            std::string("the ") + what + " would be cut at its \"#\" (byte " +
                                std::to_string(mark + 1) + "): the program reads \"" +
                                CleanCatalogueLine(field) + "\""});
    }
    if (IsCatalogueWebPage(field)) {
        problems.push_back({file, line,
                            std::string("the ") + what +
                                " holds \"html\" or \"HTML\": the program would take the whole "
                                "catalogue for a web page"});
    }
}

bool HasScheme(std::string_view address) {
    const auto colon = address.find("://");
    if (colon == std::string_view::npos || colon == 0) {
        return false;
    }
    for (const char c : address.substr(0, colon)) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool other = (c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.';
        if (!letter && !other) {
            return false;
        }
    }
    return address.size() > colon + 3;
}

// An address file holds the address and a line feed, and the program reads one part of it.
void CheckAddress(std::string_view address, const char* what, std::size_t maxBytes,
                  const std::string& file, int line, std::vector<Problem>& problems) {
    const std::string the = std::string("the ") + what;
    if (address.empty()) {
        problems.push_back({file, line, the + " is empty"});
        return;
    }
    if (address.find(' ') != std::string_view::npos) {
        problems.push_back({file, line, the + " holds a blank (write it as %20)"});
    } else if (HasControlCharacter(address)) {
        problems.push_back({file, line, the + " holds a control character"});
    } else {
        for (const char c : address) {
            if (static_cast<unsigned char>(c) >= 0x80) {
                problems.push_back(
                    {file, line, the + " holds a character that is not ASCII (percent-encode it)"});
                break;
            }
        }
    }
    if (!HasScheme(address)) {
        problems.push_back({file, line, the + " does not start with a scheme such as https://"});
    }
    if (address.size() + 1 > maxBytes) {
        problems.push_back({file, line,
                            the + " is " + std::to_string(address.size()) +
                                " bytes long; the program reads " + std::to_string(maxBytes - 1) +
                                " at most"});
    }
}

// The lines of a text file, without their line ends, with the byte order mark dropped.
std::vector<std::string_view> LinesOf(std::string_view text) {
    if (text.starts_with(kByteOrderMark)) {
        text.remove_prefix(kByteOrderMark.size());
    }
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return lines;
}

bool IsComment(std::string_view line) {
    const std::string_view content = Trimmed(line);
    return content.empty() || content.front() == kCommentMark;
}

std::vector<std::string_view> Columns(std::string_view line) {
    std::vector<std::string_view> columns;
    while (true) {
        const auto tab = line.find('\t');
        columns.push_back(Trimmed(line.substr(0, tab)));
        if (tab == std::string_view::npos) {
            return columns;
        }
        line.remove_prefix(tab + 1);
    }
}

std::string CatalogueRecord(const Station& station, int n) {
    return station.country + "\n" + station.description + "\n" + std::to_string(n) + "\n" +
           station.name + "\n";
}

std::string CatalogueHeader(std::size_t count) {
    return std::to_string(count) + "\n";
}

// The program's limits on how many stations it reads: the catalogue's bytes and the flags'.
void CheckListLimits(const std::vector<Station>& stations, const std::string& file,
                     std::vector<Problem>& problems) {
    std::size_t bytes = CatalogueHeader(stations.size()).size();
    for (std::size_t i = 0; i < stations.size(); ++i) {
        bytes += CatalogueRecord(stations[i], static_cast<int>(i) + 1).size();
        if (bytes > kCatalogueProfile.maxBytes) {
            problems.push_back({file, stations[i].line,
                                "the catalogue grows past " +
                                    std::to_string(kCatalogueProfile.maxBytes) +
                                    " bytes with this station: the program reads no further"});
            break;
        }
    }
    if (stations.size() > kFlagsProfile.maxBytes) {
        problems.push_back({file, stations[kFlagsProfile.maxBytes].line,
                            "station " + std::to_string(kFlagsProfile.maxBytes + 1) +
                                ": the program reads whether a station is offered for the first " +
                                std::to_string(kFlagsProfile.maxBytes) + " stations only"});
    }
}

// Calls `take` with each line of a list that is UTF-8 text and not a comment, and its number
// from 1; every other line that is not UTF-8 is reported.
void ForEachListLine(std::string_view text, const std::string& file, std::vector<Problem>& problems,
                     const std::function<void(int line, std::string_view text)>& take) {
    const auto lines = LinesOf(text);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int line = static_cast<int>(i) + 1;
        if (!IsValidUtf8(lines[i])) {
            problems.push_back({file, line, "not UTF-8 text"});
        } else if (!IsComment(lines[i])) {
            take(line, lines[i]);
        }
    }
}

} // namespace

std::string CataloguePath() {
    return std::string(kCatalogueProductFolder) + kCatalogueFolder + "/" + kCatalogueFile;
}

std::string FlagsPath() {
    return std::string(kCatalogueProductFolder) + kPackagesFolder + "/" + kStartupPackage + ".rd";
}

std::string AddressPath(int n) {
    return std::string(kCatalogueProductFolder) + kPackagesFolder + "/" + kStartupPackage + "/" +
           std::to_string(n) + ".rd";
}

std::string ShoppingRootPath() {
    return std::string(kCatalogueProductFolder) + kShoppingRootFile;
}

std::string ShoppingListPath() {
    return std::string(kCatalogueProductFolder) + kShoppingListFile;
}

void CheckStation(const Station& station, const std::string& file, std::vector<Problem>& problems) {
    const int line = station.line;
    if (station.country.empty()) {
        problems.push_back({file, line, "the country is empty"});
    }
    if (station.name.empty()) {
        problems.push_back({file, line, "the name is empty"});
    }
    CheckCatalogueField(station.country, "country", file, line, problems);
    CheckCatalogueField(station.name, "name", file, line, problems);
    CheckCatalogueField(station.description, "description", file, line, problems);
    CheckAddress(station.address, "stream address", kItemProfile.maxBytes, file, line, problems);
}

std::size_t CatalogueRecordBytes(const Station& station, int n) {
    return CatalogueRecord(station, n).size();
}

std::size_t CatalogueHeaderBytes(std::size_t count) {
    return CatalogueHeader(count).size();
}

std::vector<Station> ReadStationList(std::string_view text, const std::string& file,
                                     std::vector<Problem>& problems) {
    std::vector<Station> stations;
    std::map<std::string, int, std::less<>> nameLines;
    ForEachListLine(text, file, problems, [&](int line, std::string_view lineText) {
        const auto columns = Columns(lineText);
        if (columns.size() != kColumns) {
            problems.push_back(
                {file, line,
                 std::to_string(columns.size()) +
                     " columns; a station has five, separated by tabs: " + kColumnNames});
            return;
        }
        const std::size_t before = problems.size();
        Station station{line,
                        std::string(columns[0]),
                        std::string(columns[1]),
                        std::string(columns[2]),
                        std::string(columns[3]),
                        columns[4] == "1"};
        CheckStation(station, file, problems);
        if (columns[4] != "1" && columns[4] != "0") {
            problems.push_back({file, line,
                                "offered is \"" + std::string(columns[4]) +
                                    "\"; write 1 (offered) or 0 (listed only)"});
        }
        if (!station.name.empty()) {
            const auto [first, added] = nameLines.emplace(station.name, line);
            if (!added) {
                problems.push_back({file, line,
                                    "the name \"" + station.name + "\" is already used on line " +
                                        std::to_string(first->second)});
            }
        }
        if (problems.size() == before) {
            stations.push_back(std::move(station));
        }
    });
    if (stations.empty() && problems.empty()) {
        problems.push_back({file, 0, "no station: a catalogue needs at least one"});
    }
    if (!stations.empty() &&
        std::none_of(stations.begin(), stations.end(), [](const auto& s) { return s.offered; })) {
        problems.push_back({file, 0, "no station is offered (1 in the last column)"});
    }
    CheckListLimits(stations, file, problems);
    return stations;
}

std::vector<std::string> ReadShoppingTopics(std::string_view text, const std::string& file,
                                            std::vector<Problem>& problems) {
    std::vector<std::string> topics;
    ForEachListLine(text, file, problems, [&](int line, std::string_view lineText) {
        const std::string topic(Trimmed(lineText));
        const std::size_t before = problems.size();
        CheckCatalogueField(topic, "topic", file, line, problems);
        if (topic.find("<html>") != std::string::npos ||
            topic.find("<HTML>") != std::string::npos) {
            problems.push_back({file, line,
                                "the topic holds \"<html>\": the program would take "
                                "the list for a web page"});
        }
        if (problems.size() == before) {
            topics.push_back(topic);
        }
    });
    std::size_t bytes = CatalogueHeader(topics.size()).size() + 1;
    for (std::size_t i = 0; i < topics.size(); ++i) {
        bytes += topics[i].size() + 2;
        if (bytes > kShoppingListMaxBytes) {
            problems.push_back({file, 0,
                                "the shopping list grows past " +
                                    std::to_string(kShoppingListMaxBytes) + " bytes at topic " +
                                    std::to_string(i + 1) + ": the program reads no further"});
            break;
        }
    }
    return topics;
}

void CheckShoppingRoot(std::string_view root, std::vector<Problem>& problems) {
    CheckAddress(root, "shopping root", kShoppingRootMaxBytes, "--shopping-root", 0, problems);
}

std::vector<FolderFile>
CatalogueFolderFiles(const std::vector<Station>& stations,
                     const std::optional<std::string>& shoppingRoot,
                     const std::optional<std::vector<std::string>>& shoppingTopics) {
    std::string catalogue = CatalogueHeader(stations.size());
    std::string flags;
    std::vector<FolderFile> files;
    for (std::size_t i = 0; i < stations.size(); ++i) {
        const int n = static_cast<int>(i) + 1;
        catalogue += CatalogueRecord(stations[i], n);
        flags += stations[i].offered ? '1' : '0';
        files.push_back({AddressPath(n), stations[i].address + "\n"});
    }
    files.push_back({CataloguePath(), std::move(catalogue)});
    files.push_back({FlagsPath(), flags + "\n"});
    if (shoppingRoot) {
        // The program takes the text before the first line feed.
        files.push_back({ShoppingRootPath(), *shoppingRoot + "\n"});
    }
    if (shoppingTopics) {
        // The program drops the last character of the header line, so lines end in CR LF.
        std::string list = std::to_string(shoppingTopics->size()) + "\r\n";
        for (const auto& topic : *shoppingTopics) {
            list += topic + "\r\n";
        }
        files.push_back({ShoppingListPath(), std::move(list)});
    }
    return files;
}

} // namespace sonavia::radiocat
