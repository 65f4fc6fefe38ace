// Feeds arbitrary bytes to radiocat's import as a station export: the JSON reader, the cleaning
// of names and countries, the merging of duplicates and the sharing out of the catalogue. What it
// chooses must read back as written and fit the catalogue's size.

#include "CatalogueFiles.h"
#include "Require.h"
#include "StationExport.h"
#include "rules/FetchProfiles.h"

#include <cstdint>
#include <set>
#include <sstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sonavia;
    using fuzz::Require;
    using namespace sonavia::radiocat;
    std::istringstream in(std::string(reinterpret_cast<const char*>(data), size));
    const ImportResult result = ImportStationExport(in, {});
    Require(result.error.empty() || result.stations.empty());

    std::vector<Problem> problems;
    std::set<std::string> names;
    std::size_t bytes = CatalogueHeaderBytes(result.stations.size());
    for (std::size_t i = 0; i < result.stations.size(); ++i) {
        const Station& station = result.stations[i];
        CheckStation(station, {}, problems);
        Require(names.insert(station.name).second);
        bytes += CatalogueRecordBytes(station, static_cast<int>(i) + 1);
    }
    Require(problems.empty());
    Require(bytes <= kCatalogueProfile.maxBytes);
    return 0;
}
