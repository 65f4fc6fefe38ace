// Feeds arbitrary bytes to the parsers of the catalogue server's texts: as a station catalogue,
// as the package's availability flags over that catalogue, as a station's address file and as
// the version file. The catalogue's own promises are checked as well.

#include "Require.h"
#include "rules/CatalogueText.h"
#include "rules/RadioCatalogue.h"

#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace sonavia;
    using fuzz::Require;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    RadioCatalogue catalogue = ParseCatalogue(bytes);
    Require(catalogue.count >= 0 && catalogue.count <= kMaxCatalogueRecords);
    Require(catalogue.records.size() == static_cast<std::size_t>(catalogue.count));
    Require(catalogue.filled >= 0 && catalogue.filled <= catalogue.count);
    for (int i = 0; i < catalogue.filled; ++i) {
        const StationRecord& record = catalogue.records[static_cast<std::size_t>(i)];
        Require(record.index == i && record.present && !record.name.empty());
        const auto found = FindStation(catalogue, record.name);
        Require(found && *found <= static_cast<std::size_t>(i));
        CleanCatalogueLine(record.country);
    }

    // The second half of the input as the flags over the catalogue from the first half.
    const std::string_view flags = bytes.substr(size / 2);
    RadioCatalogue halves = ParseCatalogue(bytes.substr(0, size / 2));
    ApplyPackageFlags(halves, flags);
    for (std::size_t j = 0; j < halves.records.size(); ++j) {
        Require(!halves.records[j].present ||
                (static_cast<int>(j) < halves.filled && flags[j] == '1'));
    }

    const std::string item = ItemTextOf(bytes);
    Require(item.size() <= size && item.find('\n') == std::string::npos);

    const float published = PublishedVersionOf(bytes);
    const std::string offer = VersionOfferText(published);
    Require(offer.starts_with("Download version ") && offer.ends_with(" now..."));
    return 0;
}
