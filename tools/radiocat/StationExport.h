#pragma once

#include "CatalogueFiles.h"

#include <array>
#include <cstdint>
#include <istream>
#include <optional>
#include <string>
#include <vector>

// A catalogue made from the community directory's station export: the JSON array of stations
// that its stations endpoint returns.
namespace sonavia::radiocat {

struct ImportOptions {
    // At most this many stations of one country.
    std::optional<int> maxPerCountry;
    // Only the countries of these codes (two letters, upper case); all when empty.
    std::vector<std::string> countries;
};

// Why a station of the export is not in the catalogue.
enum class Dropped {
    Dead,
    Codec,
    NoAddress,
    NoName,
    NoCountry,
    OtherCountry,
    SameAddress,
    SameName,
    PastMaxPerCountry,
    NoRoom,
    Count
};
inline constexpr std::size_t kDroppedReasons = static_cast<std::size_t>(Dropped::Count);

// How a reason reads in the report.
const char* DroppedText(Dropped reason);

struct ImportResult {
    // The catalogue's stations: countries in the order of their names, each country's stations
    // by their votes, the most first.
    std::vector<Station> stations;
    std::uint64_t records = 0;
    std::array<std::uint64_t, kDroppedReasons> dropped{};
    int countries = 0;
    // The export is not one the import can read: what is wrong, and where. Nothing else is set.
    std::string error;
};

// Reads the export from `in` one station at a time and chooses the catalogue's stations: those
// whose stream answered at its last check in a format the player decodes, with names and
// countries cleaned for the catalogue, duplicates merged (the same stream address, or the same
// name in the same country: the one with more votes stays), and as many as the catalogue's byte
// limit holds, every country with its best station first, the rest shared in proportion to each
// country's number of good stations.
ImportResult ImportStationExport(std::istream& in, const ImportOptions& options);

} // namespace sonavia::radiocat
