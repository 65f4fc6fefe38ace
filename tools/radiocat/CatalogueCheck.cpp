#include "CatalogueCheck.h"

#include "catalogue/CatalogueText.h"
#include "catalogue/FetchProfiles.h"
#include "catalogue/RadioCatalogue.h"

#include <fstream>
#include <map>
#include <optional>

namespace sonavia::radiocat {

namespace {

namespace fs = std::filesystem;

constexpr std::size_t kShoppingRootMaxBytes = 1024;
constexpr std::size_t kShoppingListMaxBytes = 5120;
constexpr int kLinesPerRecord = 4;
constexpr char kTrailingSpace[] = " \t\r\n\v\f";

// The first `maxBytes` bytes of a file, as one bounded read of it gives them, and its size.
struct FilePart {
    std::string bytes;
    std::uintmax_t size = 0;
};

std::optional<FilePart> ReadPart(const fs::path& path, std::size_t maxBytes) {
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        return std::nullopt;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        return std::nullopt;
    }
    FilePart part;
    part.size = fs::file_size(path, error);
    part.bytes.resize(maxBytes);
    in.read(part.bytes.data(), static_cast<std::streamsize>(maxBytes));
    part.bytes.resize(static_cast<std::size_t>(in.gcount()));
    return part;
}

int LineAt(std::string_view text, std::size_t offset) {
    int line = 1;
    for (std::size_t i = 0; i < offset && i < text.size(); ++i) {
        line += text[i] == '\n' ? 1 : 0;
    }
    return line;
}

// The lines of the text that end in a line feed, without it: a last piece without one reads
// as empty to the program and is not a line.
std::vector<std::string_view> EndedLines(std::string_view text) {
    std::vector<std::string_view> lines;
    for (auto end = text.find('\n'); end != std::string_view::npos; end = text.find('\n')) {
        lines.push_back(text.substr(0, end));
        text.remove_prefix(end + 1);
    }
    return lines;
}

std::string_view WithoutTrailingSpace(std::string_view line) {
    const auto last = line.find_last_not_of(kTrailingSpace);
    return last == std::string_view::npos ? std::string_view() : line.substr(0, last + 1);
}

void CheckCutLine(std::string_view raw, const std::string& file, int line,
                  std::vector<Problem>& problems) {
    const std::string cleaned = CleanCatalogueLine(raw);
    if (cleaned != WithoutTrailingSpace(raw)) {
        problems.push_back(
            {file, line, "the program cuts this line at its \"#\" and reads \"" + cleaned + "\""});
    }
}

struct CatalogueResult {
    RadioCatalogue catalogue;
    bool read = false;
};

CatalogueResult CheckCatalogue(const fs::path& folder, std::vector<Problem>& problems) {
    const std::string file = (folder / CataloguePath()).string();
    const auto part = ReadPart(folder / CataloguePath(), kCatalogueProfile.maxBytes);
    if (!part) {
        problems.push_back({file, 0, "missing: the program falls back to its built-in copy"});
        return {};
    }
    const std::string_view text = part->bytes;
    if (part->size > kCatalogueProfile.maxBytes) {
        problems.push_back({file, LineAt(text, text.size()),
                            "the file is " + std::to_string(part->size) + " bytes; the program " +
                                "reads the first " + std::to_string(kCatalogueProfile.maxBytes) +
                                ", which end on this line"});
    }
    const auto html = std::min(text.find("html"), text.find("HTML"));
    if (html != std::string_view::npos) {
        problems.push_back({file, LineAt(text, html),
                            "holds \"html\" or \"HTML\": the program takes the catalogue for a "
                            "web page and falls back to its built-in copy"});
    }

    CatalogueResult result{ParseCatalogue(text), true};
    const RadioCatalogue& catalogue = result.catalogue;
    const auto lines = EndedLines(text);
    if (lines.empty()) {
        problems.push_back({file, 1, "no header line ended by a line feed"});
        return result;
    }
    if (catalogue.count == 0) {
        problems.push_back({file, 1, "the header gives no stations"});
    }
    std::map<std::string, int, std::less<>> nameLines;
    for (int i = 0; i < catalogue.count; ++i) {
        const std::size_t first = 1 + static_cast<std::size_t>(i) * kLinesPerRecord;
        if (first + kLinesPerRecord > lines.size()) {
            break;
        }
        for (int k = 0; k < kLinesPerRecord; ++k) {
            CheckCutLine(lines[first + k], file, static_cast<int>(first + k) + 1, problems);
        }
        const int nameLine = static_cast<int>(first) + kLinesPerRecord;
        const std::string name = CleanCatalogueLine(lines[first + 3]);
        if (name.empty()) {
            problems.push_back(
                {file, nameLine, "the name is empty after cleaning: the program reads no further"});
            break;
        }
        if (CleanCatalogueLine(lines[first]).empty()) {
            problems.push_back({file, nameLine - 3, "the country is empty"});
        }
        const auto [previous, added] = nameLines.emplace(name, nameLine);
        if (!added) {
            problems.push_back({file, nameLine,
                                "the name \"" + name + "\" is already used on line " +
                                    std::to_string(previous->second) +
                                    ": the program only ever finds that one"});
        }
    }
    if (catalogue.filled < catalogue.count) {
        problems.push_back({file, 1,
                            "the header says " + std::to_string(catalogue.count) +
                                " stations, the program reads " +
                                std::to_string(catalogue.filled)});
    } else {
        const std::size_t end = 1 + static_cast<std::size_t>(catalogue.count) * kLinesPerRecord;
        for (std::size_t l = end; l < lines.size(); ++l) {
            if (!WithoutTrailingSpace(lines[l]).empty()) {
                problems.push_back({file, static_cast<int>(l) + 1,
                                    "text after the " + std::to_string(catalogue.count) +
                                        " stations the header gives: the program ignores it"});
                break;
            }
        }
    }
    return result;
}

void CheckFlags(const fs::path& folder, RadioCatalogue catalogue, std::vector<Problem>& problems) {
    const std::string file = (folder / FlagsPath()).string();
    const auto part = ReadPart(folder / FlagsPath(), kFlagsProfile.maxBytes);
    if (!part) {
        problems.push_back({file, 0, "missing: the program offers no station"});
        return;
    }
    const std::string_view flags = part->bytes;
    const std::size_t given = std::min(flags.find_first_of("\r\n"), flags.size());
    if (given < static_cast<std::size_t>(catalogue.filled)) {
        problems.push_back({file, 1,
                            std::to_string(given) + " flags for " +
                                std::to_string(catalogue.filled) +
                                " stations: the stations past the flags are never offered"});
    }
    const std::size_t checked = std::min(given, static_cast<std::size_t>(catalogue.filled));
    const auto odd = flags.substr(0, checked).find_first_not_of("01");
    if (odd != std::string_view::npos) {
        problems.push_back({file, 1,
                            "flag " + std::to_string(odd + 1) + " is neither 1 nor 0: station " +
                                std::to_string(odd + 1) + " is not offered"});
    }
    ApplyPackageFlags(catalogue, flags);
    bool anyOffered = false;
    for (const auto& record : catalogue.records) {
        anyOffered = anyOffered || record.present == 1;
    }
    if (!anyOffered && catalogue.filled > 0) {
        problems.push_back({file, 1, "no station is offered: the program lists nothing"});
    }
}

void CheckAddresses(const fs::path& folder, const RadioCatalogue& catalogue,
                    std::vector<Problem>& problems) {
    const std::string file = (folder / CataloguePath()).string();
    for (int i = 0; i < catalogue.filled; ++i) {
        const auto& record = catalogue.records[static_cast<std::size_t>(i)];
        const int nameLine = 1 + (i + 1) * kLinesPerRecord;
        const std::string station =
            "station \"" + record.name + "\": its address file " + AddressPath(i + 1);
        const auto part = ReadPart(folder / AddressPath(i + 1), kItemProfile.maxBytes);
        if (!part) {
            problems.push_back({file, nameLine, station + " is missing"});
            continue;
        }
        const std::string address = ItemTextOf(part->bytes);
        if (address.empty()) {
            problems.push_back({file, nameLine, station + " gives no address"});
        } else if (address.find_first_of(" \t\r") != std::string::npos) {
            problems.push_back({file, nameLine, station + " gives an address with a blank"});
        }
    }
}

void CheckShopping(const fs::path& folder, std::vector<Problem>& problems) {
    const std::string rootFile = (folder / ShoppingRootPath()).string();
    if (const auto root = ReadPart(folder / ShoppingRootPath(), kShoppingRootMaxBytes)) {
        const auto end = root->bytes.find('\n');
        if (end == std::string::npos) {
            problems.push_back({rootFile, 1, "no line end: the program reads an empty root"});
        } else if (root->bytes.substr(0, end).find_first_of(" \t\r") != std::string::npos) {
            problems.push_back({rootFile, 1, "the root holds a blank"});
        }
    }
    const std::string listFile = (folder / ShoppingListPath()).string();
    const auto list = ReadPart(folder / ShoppingListPath(), kShoppingListMaxBytes);
    if (!list) {
        return;
    }
    const std::string_view text = list->bytes;
    if (list->size > kShoppingListMaxBytes) {
        problems.push_back({listFile, LineAt(text, text.size()),
                            "the program reads the first " + std::to_string(kShoppingListMaxBytes) +
                                " bytes, which end on this line"});
    }
    if (text.find("<html>") != std::string_view::npos ||
        text.find("<HTML>") != std::string_view::npos) {
        problems.push_back({listFile, 0, "holds \"<html>\": the program takes it for a web page"});
    }
    // The header line loses its last character (the carriage return of a CR LF line end).
    const auto lines = EndedLines(text);
    const std::string_view header = lines.empty() || lines[0].empty()
                                        ? std::string_view()
                                        : lines[0].substr(0, lines[0].size() - 1);
    const long long count = LeadingDecimal(header, kShoppingListMaxBytes);
    long long read = 0;
    for (std::size_t l = 1; l < lines.size() && read < count; ++l) {
        if (l > 1 && CleanCatalogueLine(lines[l - 1]).empty()) {
            break;
        }
        CheckCutLine(lines[l], listFile, static_cast<int>(l) + 1, problems);
        ++read;
    }
    if (lines.empty() || count == 0 || read < count) {
        problems.push_back({listFile, 1,
                            "the header gives " + std::to_string(count) +
                                " topics, the program reads " + std::to_string(read)});
    }
}

} // namespace

std::vector<Problem> CheckCatalogueFolder(const fs::path& folder) {
    std::vector<Problem> problems;
    const auto result = CheckCatalogue(folder, problems);
    if (result.read) {
        CheckFlags(folder, result.catalogue, problems);
        CheckAddresses(folder, result.catalogue, problems);
    }
    CheckShopping(folder, problems);
    return problems;
}

} // namespace sonavia::radiocat
