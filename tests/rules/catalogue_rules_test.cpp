#include "TestSupport.h"
#include "catalogue/Config.h"
#include "rules/CatalogueText.h"
#include "rules/RadioCatalogue.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace sonavia {
namespace {

std::string Record(const std::string& country, const std::string& key, const std::string& number,
                   const std::string& name, const std::string& end = "\n") {
    return country + end + key + end + number + end + name + end;
}

TEST(CatalogueLines, CommentMarkCutsTheSeparatorAndTrailingSpaceGoes) {
    EXPECT_EQ(CleanCatalogueLine("Radio One #news and talk"), "Radio One");
    EXPECT_EQ(CleanCatalogueLine("Radio One#x"), "Radio On"); // the letter before "#" goes too
    EXPECT_EQ(CleanCatalogueLine("#1 Hits"), "#1 Hits");      // "#" at 0 or 1 is no comment
    EXPECT_EQ(CleanCatalogueLine("A#1 Hits"), "A#1 Hits");
    EXPECT_EQ(CleanCatalogueLine("#1 Hits # more"), "#1 Hits # more"); // the first "#" decides
    EXPECT_EQ(CleanCatalogueLine("AB#"), "A");
    EXPECT_EQ(CleanCatalogueLine("Jazz \t\r\v\f"), "Jazz");
    EXPECT_EQ(CleanCatalogueLine("  # only a comment"), "");
    EXPECT_EQ(CleanCatalogueLine(""), "");
}

TEST(CatalogueParse, CrLfTextGivesCountAndCleanFields) {
    const std::string text = "2\r\n" + Record("France", "News", "7", "Radio Une", "\r\n") +
                             Record("Spain #hidden", "Music", "x", "Onda", "\r\n");
    const RadioCatalogue catalogue = ParseCatalogue(text);
    ASSERT_EQ(catalogue.count, 2);
    ASSERT_EQ(catalogue.filled, 2);
    const StationRecord& first = catalogue.records[0];
    EXPECT_EQ(first.country, "France");
    EXPECT_EQ(first.key, "News");
    EXPECT_EQ(first.number, 7);
    EXPECT_EQ(first.name, "Radio Une");
    EXPECT_EQ(first.note, "");
    EXPECT_EQ(first.index, 0);
    EXPECT_TRUE(first.present);
    EXPECT_EQ(catalogue.records[1].country, "Spain");
    EXPECT_EQ(catalogue.records[1].number, 0);
    EXPECT_EQ(catalogue.records[1].index, 1);
}

TEST(CatalogueParse, HeaderWithBareLineFeedKeepsItsLastDigit) {
    // The archive copy's header lost "one further character" whatever it was.
    const std::string records = Record("A", "k", "1", "N1") + Record("B", "k", "2", "N2");
    EXPECT_EQ(ParseCatalogue("12\n" + records).count, 12);
    EXPECT_EQ(ParseCatalogue("12\r\n" + records).count, 12);
    EXPECT_EQ(ParseCatalogue("12\n" + records).filled, 2);
}

TEST(CatalogueParse, ShortTextsEndAtTheFirstIncompleteOrNamelessRecord) {
    const std::string two = "3\n" + Record("A", "k", "1", "N1") + Record("B", "k", "2", "N2");
    RadioCatalogue catalogue = ParseCatalogue(two);
    EXPECT_EQ(catalogue.count, 3); // kept as read
    EXPECT_EQ(catalogue.filled, 2);
    ASSERT_EQ(catalogue.records.size(), 3u);
    EXPECT_FALSE(catalogue.records[2].present);
    EXPECT_EQ(catalogue.records[2].name, "");

    // A record the text runs out of in the middle of its lines is not offered, not even when
    // only its last line feed is missing.
    for (const std::string tail : {"C\n", "C\nk\n", "C\nk\n3\n", "C\nk\n3\nN3"}) {
        catalogue = ParseCatalogue(two + tail);
        EXPECT_EQ(catalogue.filled, 2) << tail;
        EXPECT_FALSE(catalogue.records[2].present) << tail;
    }
    // A record without a name ends the catalogue; what follows is not read.
    catalogue = ParseCatalogue("3\n" + Record("A", "k", "1", "N1") + Record("B", "k", "2", "") +
                               Record("C", "k", "3", "N3"));
    EXPECT_EQ(catalogue.filled, 1);
    EXPECT_FALSE(catalogue.records[1].present);
    EXPECT_FALSE(catalogue.records[2].present);
}

TEST(CatalogueParse, HeadersThatAreNoNumberOrTooLargeAreBounded) {
    EXPECT_EQ(ParseCatalogue("").count, 0);
    EXPECT_EQ(ParseCatalogue("5").count, 0); // no line end: no header
    EXPECT_EQ(ParseCatalogue("abc\nA\nk\n1\nN\n").count, 0);
    EXPECT_EQ(ParseCatalogue("-4\nA\nk\n1\nN\n").count, 0);
    EXPECT_EQ(ParseCatalogue("1\nA\nk\n99999999999999999999\nN\n").records[0].number, 2147483647);
    for (const std::string header : {"999999999", "99999999999999999999999999"}) {
        const RadioCatalogue catalogue = ParseCatalogue(header + "\nA\nk\n1\nN\n");
        EXPECT_EQ(catalogue.count, kMaxCatalogueRecords) << header;
        EXPECT_EQ(catalogue.records.size(), static_cast<std::size_t>(kMaxCatalogueRecords));
        EXPECT_EQ(catalogue.filled, 1);
    }
}

TEST(CatalogueParse, LookupsTakeTheFirstExactNameAndFlagsOfferMarkedFilledRecords) {
    std::string text = "8\n";
    for (const char* name : {"One", "Two", "Three", "Four", "Two", "Six"}) {
        text += Record("X", std::string("about ") + name, "0", name);
    }
    RadioCatalogue catalogue = ParseCatalogue(text);
    ASSERT_EQ(catalogue.filled, 6);
    EXPECT_EQ(FindStation(catalogue, "Two"), 1u);
    EXPECT_EQ(FindStation(catalogue, "two"), std::nullopt);
    EXPECT_EQ(FindStation(catalogue, "Tw"), std::nullopt);
    // The two records past the text are empty, and an empty name finds none of them.
    EXPECT_EQ(FindStation(catalogue, ""), std::nullopt);

    ApplyPackageFlags(catalogue, "1101");
    std::vector<bool> present;
    for (const auto& record : catalogue.records) {
        present.push_back(record.present);
    }
    EXPECT_EQ(present, (std::vector<bool>{1, 1, 0, 1, 0, 0, 0, 0}));

    // Flags may offer only what the text filled; other characters than "1" offer nothing.
    ApplyPackageFlags(catalogue, "1x1Y11111");
    present.clear();
    for (const auto& record : catalogue.records) {
        present.push_back(record.present);
    }
    EXPECT_EQ(present, (std::vector<bool>{1, 0, 1, 0, 1, 1, 0, 0}));
    ApplyPackageFlags(catalogue, "");
    for (const auto& record : catalogue.records) {
        EXPECT_FALSE(record.present);
    }
}

TEST(ItemText, FirstLineWithoutItsLineEndAndWebPagesGiveNothing) {
    EXPECT_EQ(ItemTextOf("http://radio.test/live\r\nsecond line\n"), "http://radio.test/live");
    EXPECT_EQ(ItemTextOf("http://radio.test/live\nsecond"), "http://radio.test/live");
    EXPECT_EQ(ItemTextOf("http://radio.test/live"), "http://radio.test/live");
    EXPECT_EQ(ItemTextOf("\nhttp://radio.test/live"), "");
    // A web page in any letter case never becomes a stream address.
    for (const char* page : {"<!DOCTYPE html>\n<html>", "<!DOCTYP", "<!doctype html>\r\n",
                             "<!DocType HTML>", "<html>\n", "<HTML><BODY>", "<Html lang=\"en\">"}) {
        EXPECT_EQ(ItemTextOf(page), "") << page;
        EXPECT_TRUE(IsCatalogueWebPage(page)) << page;
    }
    EXPECT_EQ(ItemTextOf("http://radio.test/html/live"), "http://radio.test/html/live");
    EXPECT_EQ(ItemTextOf("<htm"), "<htm");

    // Addresses that name a file of this machine, which only a local catalogue may give.
    for (const char* local : {"/etc/passwd", "file:///etc/passwd", "FILE:/etc/passwd", "song.ogg",
                              "C:\\radio.mp3", ":weird"}) {
        EXPECT_TRUE(NamesLocalFile(local)) << local;
    }
    for (const char* remote : {"http://radio.test/live", "HTTPS://radio.test/", "rtsp://r.test/a",
                               "mms://r.test/a", "icy+http://r.test/a"}) {
        EXPECT_FALSE(NamesLocalFile(remote)) << remote;
    }
}

TEST(VersionText, TokenKeepsItsLastCharacterUnlessItIsACarriageReturn) {
    EXPECT_FLOAT_EQ(PublishedVersionOf("3.15\r\n"), 3.15F);
    EXPECT_FLOAT_EQ(PublishedVersionOf("3.15\n"), 3.15F);
    EXPECT_FLOAT_EQ(PublishedVersionOf("3.15"), 3.15F);
    EXPECT_FLOAT_EQ(PublishedVersionOf("3.15 beta"), 3.15F);
    EXPECT_FLOAT_EQ(PublishedVersionOf(std::string("3.2\0rest", 8)), 3.2F);
    EXPECT_FLOAT_EQ(PublishedVersionOf("3.25\xA0"), 3.25F);
    EXPECT_FLOAT_EQ(PublishedVersionOf("4\r"), 4.0F);
    EXPECT_FLOAT_EQ(PublishedVersionOf("\t2.5\n"), 2.5F);
    // The offer always shows two decimals.
    EXPECT_EQ(VersionOfferText(PublishedVersionOf("3.1\n")), "Download version 3.10 now...");
    EXPECT_EQ(VersionOfferText(12.0F), "Download version 12.00 now...");
}

TEST(VersionText, ReadAndOfferedTheSameUnderACommaDecimalLocale) {
    test::CommaDecimalLocale locale;
    if (!locale.Active()) {
        GTEST_SKIP() << "no comma-decimal locale on this machine";
    }
    EXPECT_FLOAT_EQ(PublishedVersionOf("3.15\r\n"), 3.15F);
    EXPECT_EQ(PublishedVersionOf("3,15"), 3.0F);
    EXPECT_EQ(VersionOfferText(PublishedVersionOf("3.1\n")), "Download version 3.10 now...");
}

TEST(VersionText, WhatIsNoNumberReadsAsZero) {
    for (const std::string reply :
         {"", " 3.2", "<!DOCTYPE html>", "inf", "nan", "1e39", "0x10", "-", "."}) {
        EXPECT_EQ(PublishedVersionOf(reply), 0.0F) << reply;
    }
}

TEST(Addresses, PackageFilesAndBasesFromTheEnvironment) {
    EXPECT_EQ(FlagsUrl("http://c.test/Sonavia/freechannels/package0/"),
              "http://c.test/Sonavia/freechannels/package0.rd");
    EXPECT_EQ(FlagsUrl("http://c.test/Sonavia/freechannels/package0\\"),
              "http://c.test/Sonavia/freechannels/package0.rd");
    EXPECT_EQ(ItemUrl(ItemKind::RadioStation, "http://c.test/p/package0", 7),
              "http://c.test/p/package0/7.rd");
    EXPECT_EQ(ItemUrl(ItemKind::RadioStation, "http://c.test/p/package0/", 1),
              "http://c.test/p/package0/1.rd");

    ::setenv(kCatalogueBaseVariable, "http://127.0.0.1:8080", 1);
    ::setenv(kSiteBaseVariable, "file:///srv/site/", 1);
    const ServerBases set = ServerBasesFor("/opt/data");
    EXPECT_EQ(set.catalogue, "http://127.0.0.1:8080/Sonavia/");
    EXPECT_EQ(set.site, "file:///srv/site/sonavia/");
    ::unsetenv(kCatalogueBaseVariable);
    ::setenv(kSiteBaseVariable, "", 1);
    // Unset or empty: the folders bundled in the data directory.
    const ServerBases bundled = ServerBasesFor("/opt/data");
    EXPECT_EQ(bundled.catalogue, "file:///opt/data/catalogue/Sonavia/");
    EXPECT_EQ(bundled.site, "file:///opt/data/site/sonavia/");
    ::unsetenv(kSiteBaseVariable);
}

} // namespace
} // namespace sonavia
