#pragma once

#include "rules/FetchProfiles.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sonavia {

// One station of the radio catalogue.
struct StationRecord {
    std::string country;
    std::string key; // the station's description, shown as its info tip
    std::string note;
    int number = 0;
    std::string name;
    int index = 0;        // position in the catalogue, from 0
    bool present = false; // the station is offered
};

// The station list: `count` as the header line gives it, and that many records, of which the
// first `filled` were read from the text; the others stay empty and are never offered.
struct RadioCatalogue {
    int count = 0;
    std::vector<StationRecord> records;
    int filled = 0;
};

// The catalogue's header, its line and every record line end in a line feed, and a record's
// name is not empty: a record takes at least five bytes, which bounds the records a text of
// the catalogue's byte limit can hold.
inline constexpr std::size_t kMinRecordBytes = 5;
inline constexpr int kMaxCatalogueRecords =
    static_cast<int>(kCatalogueProfile.maxBytes / kMinRecordBytes);

// Reads a catalogue text: a header line with the record count, then four lines per record
// (country, description, number, name). Reading ends at the first record whose name is empty
// or which the text runs out of; neither is offered.
RadioCatalogue ParseCatalogue(std::string_view text);

// The position of the first station read from the text whose name is exactly `name`.
std::optional<std::size_t> FindStation(const RadioCatalogue& catalogue, std::string_view name);

// Offers station j exactly when character j of the package's flag text is "1"; a station the
// catalogue text did not fill is never offered.
void ApplyPackageFlags(RadioCatalogue& catalogue, std::string_view flags);

} // namespace sonavia
