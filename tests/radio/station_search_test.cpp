#include "radio/StationSearch.h"

#include <gtest/gtest.h>

namespace sonavia {
namespace {

RadioCatalogue Catalogue(std::initializer_list<std::pair<const char*, const char*>> stations) {
    RadioCatalogue catalogue;
    for (const auto& [country, name] : stations) {
        StationRecord record;
        record.country = country;
        record.name = name;
        record.index = catalogue.count++;
        record.present = true;
        catalogue.records.push_back(record);
    }
    catalogue.filled = catalogue.count;
    return catalogue;
}

TEST(StationSearch, FindsNamesAndCountriesWhateverTheirCaseAndAccentsBestFirst) {
    RadioCatalogue catalogue = Catalogue({
        {"\xC3\x96sterreich", "FM4"},        // 0: UTF-8
        {"Deutschland", "Radio M\xFCnchen"}, // 1: an 8-bit name
        {"Deutschland", "Bayern 3"},         // 2
        {"Norway", "Radio Norge"},           // 3
        {"Norway", "NRK P1"},                // 4
        {"Norway", "Norwegian Jazz"},        // 5: not offered below
        {"Sverige", "Norrlands Radio P2"},   // 6
    });
    catalogue.records[5].present = false;
    const StationSearch search(catalogue);
    using Found = std::vector<std::size_t>;

    EXPECT_EQ(search.Find({"OSTERR"}), Found({0}));
    EXPECT_EQ(search.Find({"m\xC3\xBC"
                           "nch"}),
              Found({1}));
    EXPECT_EQ(search.Find({"munchen"}), Found({1}));
    EXPECT_EQ(search.Name(1), QString::fromUtf8("Radio M\xC3\xBCnchen"));
    // Names that start with the words, names that hold them, then countries that do.
    EXPECT_EQ(search.Find({"nor"}), Found({6, 3, 4}));
    EXPECT_EQ(search.Find({"radio", "deutsch"}), Found({1}));
    EXPECT_EQ(search.Find({"  P", "1 "}), Found({4}));
    // Fewer than two letters, or only blanks and signs, find nothing.
    EXPECT_TRUE(search.Find({"n"}).empty());
    EXPECT_TRUE(search.Find({" ", "-"}).empty());
    EXPECT_TRUE(search.Find({}).empty());
    // Typing on narrows the stations found, and an unknown position is none.
    EXPECT_EQ(search.Refine({6, 3, 4, 99}, {"nor", "radio"}), Found({6, 3}));
    EXPECT_FALSE(search.Offered(5));
    EXPECT_FALSE(search.Offered(99));
}

} // namespace
} // namespace sonavia
