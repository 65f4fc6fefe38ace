#include "rules/RadioCatalogue.h"

#include "rules/CatalogueText.h"

#include <algorithm>
#include <array>
#include <limits>

namespace sonavia {

namespace {

constexpr std::size_t kLinesPerRecord = 4;
constexpr char kOffered = '1';

// The line after the line feed at `position`, which moves to the line feed that ends it. None
// when the text ends before that line feed.
std::optional<std::string_view> NextRecordLine(std::string_view text, std::size_t& position) {
    const std::size_t start = position + 1;
    const std::size_t end = text.find('\n', start);
    if (end == std::string_view::npos) {
        return std::nullopt;
    }
    position = end;
    return text.substr(start, end - start);
}

} // namespace

RadioCatalogue ParseCatalogue(std::string_view text) {
    RadioCatalogue catalogue;
    std::size_t position = text.find('\n');
    if (position == std::string_view::npos) {
        return catalogue;
    }
    const long long header = LeadingDecimal(FirstLine(text), kMaxCatalogueRecords);
    catalogue.count = static_cast<int>(std::max(header, 0LL));
    catalogue.records.resize(static_cast<std::size_t>(catalogue.count));

    for (int i = 0; i < catalogue.count; ++i) {
        std::array<std::string, kLinesPerRecord> lines;
        for (auto& line : lines) {
            const auto raw = NextRecordLine(text, position);
            if (!raw) {
                return catalogue;
            }
            line = CleanCatalogueLine(*raw);
        }
        if (lines[3].empty()) {
            return catalogue;
        }
        StationRecord& record = catalogue.records[static_cast<std::size_t>(i)];
        record.country = std::move(lines[0]);
        record.key = std::move(lines[1]);
        record.number = static_cast<int>(LeadingDecimal(lines[2], std::numeric_limits<int>::max()));
        record.name = std::move(lines[3]);
        record.index = i;
        record.present = true;
        catalogue.filled = i + 1;
    }
    return catalogue;
}

std::optional<std::size_t> FindStation(const RadioCatalogue& catalogue, std::string_view name) {
    for (std::size_t i = 0; i < static_cast<std::size_t>(catalogue.filled); ++i) {
        if (catalogue.records[i].name == name) {
            return i;
        }
    }
    return std::nullopt;
}

void ApplyPackageFlags(RadioCatalogue& catalogue, std::string_view flags) {
    for (std::size_t j = 0; j < catalogue.records.size(); ++j) {
        const bool offered =
            static_cast<int>(j) < catalogue.filled && j < flags.size() && flags[j] == kOffered;
        catalogue.records[j].present = offered;
    }
}

} // namespace sonavia
