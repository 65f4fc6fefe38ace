#include "CatalogueServer.h"
#include "TestSupport.h"
#include "catalogue/CatalogueLoad.h"
#include "catalogue/Config.h"
#include "catalogue/Fetch.h"
#include "catalogue/Package.h"
#include "catalogue/ShoppingLoad.h"
#include "catalogue/VersionCheck.h"
#include "localfiles/InterfaceArchive.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace sonavia {
namespace {

std::string CatalogueText(const std::vector<std::string>& names, const std::string& end = "\n") {
    std::string text = std::to_string(names.size()) + end;
    for (const auto& name : names) {
        text += "Country of " + name + end + "About " + name + end + "1" + end + name + end;
    }
    return text;
}

const std::vector<std::string> kServedStations = {"S0", "S1", "S2", "S3", "S4", "S5", "S6"};

class PackageTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* variable : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"}) {
            ::unsetenv(variable);
        }
        std::filesystem::create_directories(root_ / "Sonavia/channelsplus");
        std::filesystem::create_directories(root_ / "Sonavia/freechannels/package0");
        std::filesystem::create_directories(root_ / "sonavia/channelsplus");
        test::WriteFileBytes(root_ / "Sonavia/channelsplus/channels.rd",
                             CatalogueText(kServedStations, "\r\n"));
        test::WriteFileBytes(root_ / "Sonavia/freechannels/package0.rd", "1101011\n");
        for (int n = 1; n <= 7; ++n) {
            test::WriteFileBytes(root_ /
                                     ("Sonavia/freechannels/package0/" + std::to_string(n) + ".rd"),
                                 "http://stream.test/" + std::to_string(n) + "\n");
        }
        test::WriteFileBytes(root_ / "sonavia/channelsplus/versionplus.txt", "3.15\n");
        // The archive copy has a header ended by a bare line feed.
        ASSERT_TRUE(
            WriteArchive(dir_ / "radio.int", {{"Channels.RD", CatalogueText({"A0", "A1", "A2"})}}));
        archive_ = ReadArchiveDirectory(dir_ / "radio.int");
        ownVersion_ = 1.1F;
        ServeFrom("/");
        ASSERT_TRUE(server_.Running());
    }

    void TearDown() override {
        ::unsetenv(kCatalogueBaseVariable);
        ::unsetenv(kSiteBaseVariable);
        archive_ = {};
    }

    void ServeFrom(const std::string& path) {
        ::setenv(kCatalogueBaseVariable, server_.Url(path).c_str(), 1);
        ::setenv(kSiteBaseVariable, server_.Url(path).c_str(), 1);
    }

    // As the start-up makes them, from the environment that the test has set.
    ServerBases Bases() const { return ServerBasesFor(dir_.Path()); }

    // Start-up's requests: the package, the catalogue and its flags.
    void LoadAll() {
        package_ = ChoosePackage(Bases());
        catalogue_ = LoadRadioCatalogue(Bases(), archive_).catalogue;
        ApplyRadioPackageFlags(package_, catalogue_);
    }

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int i = 0; i < catalogue_.filled; ++i) {
            names.push_back(catalogue_.records[static_cast<std::size_t>(i)].name);
        }
        return names;
    }

    std::vector<int> Offered() const {
        std::vector<int> present;
        for (const auto& record : catalogue_.records) {
            present.push_back(record.present);
        }
        return present;
    }

    // The address of the first station of that name; none for a name that no record has.
    std::optional<std::string> AddressOf(std::string_view name) const {
        const auto position = FindStation(catalogue_, name);
        if (!position) {
            return std::nullopt;
        }
        return FetchItemText(ItemKind::RadioStation, package_.packageBase,
                             catalogue_.records[*position].index + 1);
    }

    test::TempDir dir_;
    InterfacePackDirectory archive_;
    ChannelPackage package_;
    RadioCatalogue catalogue_;
    float ownVersion_ = 1.1F;
    std::filesystem::path root_ = dir_ / "root";
    test::CatalogueServer server_{root_};
};

TEST_F(PackageTest, StartUpRequestsTheFilesOfThePackageAndTheSite) {
    package_ = ChoosePackage(Bases());
    EXPECT_EQ(package_.currentPackage, "package0");
    EXPECT_EQ(package_.packageBase, server_.Url("/Sonavia/freechannels/package0/"));
    catalogue_ = LoadRadioCatalogue(Bases(), archive_).catalogue;
    ApplyRadioPackageFlags(package_, catalogue_);
    EXPECT_EQ(package_.packageBase, server_.Url("/Sonavia/freechannels/package0"));
    EXPECT_EQ(Names(), kServedStations);
    EXPECT_EQ(Offered(), (std::vector<int>{1, 1, 0, 1, 0, 1, 1}));
    EXPECT_EQ(InfoTipFor(catalogue_, "S6"), "About S6");
    EXPECT_EQ(AddressOf("S6"), "http://stream.test/7");

    EXPECT_EQ(CheckRadioVersion(Bases(), ownVersion_), 3.15F);
    EXPECT_EQ(server_.RequestPaths(), (std::vector<std::string>{
                                          "/Sonavia/channelsplus/channels.rd",
                                          "/Sonavia/freechannels/package0.rd",
                                          "/Sonavia/freechannels/package0/7.rd",
                                          "/sonavia/channelsplus/versionplus.txt",
                                      }));
}

TEST_F(PackageTest, CatalogueCanBeALocalFolder) {
    ::setenv(kCatalogueBaseVariable, ("file://" + root_.string()).c_str(), 1);
    LoadAll();
    EXPECT_EQ(Names(), kServedStations);
    EXPECT_EQ(Offered(), (std::vector<int>{1, 1, 0, 1, 0, 1, 1}));
    EXPECT_EQ(AddressOf("S6"), "http://stream.test/7");
}

TEST_F(PackageTest, UnusableDownloadsFallBackToTheArchiveCopy) {
    // "close" sends half of the catalogue and ends the connection.
    for (const std::string fault : {"404", "500", "close", "html", "refused"}) {
        if (fault == "refused") {
            ::setenv(kCatalogueBaseVariable, server_.RefusedUrl("/").c_str(), 1);
        } else {
            ServeFrom("/fault/" + fault + "/");
        }
        catalogue_ = LoadRadioCatalogue(Bases(), archive_).catalogue;
        EXPECT_EQ(Names(), (std::vector<std::string>{"A0", "A1", "A2"})) << fault;
        EXPECT_EQ(catalogue_.count, 3) << fault;
    }
    // A catalogue that mentions "html" anywhere is a web page.
    test::WriteFileBytes(root_ / "Sonavia/channelsplus/channels.rd",
                         CatalogueText({"<html>", "B"}));
    ServeFrom("/");
    catalogue_ = LoadRadioCatalogue(Bases(), archive_).catalogue;
    EXPECT_EQ(Names(), (std::vector<std::string>{"A0", "A1", "A2"}));
    // A redirect is followed to the real catalogue.
    test::WriteFileBytes(root_ / "Sonavia/channelsplus/channels.rd", CatalogueText({"R0"}));
    ServeFrom("/fault/redirect/");
    catalogue_ = LoadRadioCatalogue(Bases(), archive_).catalogue;
    EXPECT_EQ(Names(), std::vector<std::string>{"R0"});
    // No server and no archive copy: an empty catalogue.
    ::setenv(kCatalogueBaseVariable, server_.RefusedUrl("/").c_str(), 1);
    archive_ = {};
    catalogue_ = LoadRadioCatalogue(Bases(), archive_).catalogue;
    EXPECT_EQ(catalogue_.count, 0);
    EXPECT_TRUE(catalogue_.records.empty());
}

TEST_F(PackageTest, FlagsMarkStationsAndAFailedRequestOffersNone) {
    test::WriteFileBytes(root_ / "Sonavia/freechannels/package0.rd", "1101");
    LoadAll();
    EXPECT_EQ(Offered(), (std::vector<int>{1, 1, 0, 1, 0, 0, 0}));

    // A base given with a final backslash loses it before ".rd".
    package_.packageBase = server_.Url("/Sonavia/freechannels/package0\\");
    server_.ClearLog();
    ApplyRadioPackageFlags(package_, catalogue_);
    EXPECT_EQ(server_.RequestPaths(),
              std::vector<std::string>{"/Sonavia/freechannels/package0.rd"});

    // Error statuses offer nothing.
    for (const std::string fault : {"/fault/404", "/fault/500", "/fault/unknown-mode"}) {
        package_.packageBase = server_.Url(fault + "/Sonavia/freechannels/package0");
        test::WriteFileBytes(root_ / "Sonavia/freechannels/package0.rd", "1111111");
        ApplyRadioPackageFlags(package_, catalogue_);
        EXPECT_EQ(Offered(), std::vector<int>(7, 0)) << fault;
    }
}

TEST_F(PackageTest, LookupsUseTheFirstRecordOfAName) {
    test::WriteFileBytes(root_ / "Sonavia/channelsplus/channels.rd",
                         CatalogueText({"Zero", "Twin", "Twin"}));
    LoadAll();
    EXPECT_EQ(InfoTipFor(catalogue_, "Twin"), "About Twin");
    EXPECT_EQ(InfoTipFor(catalogue_, "twin"), "");
    server_.ClearLog();
    std::vector<std::optional<std::string>> addresses;
    for (const char* name : {"Zero", "Twin", "Nobody", ""}) {
        addresses.push_back(AddressOf(name));
    }
    EXPECT_EQ(addresses, (std::vector<std::optional<std::string>>{
                             "http://stream.test/1", "http://stream.test/2", {}, {}}));
    // Unknown names make no request.
    EXPECT_EQ(server_.RequestPaths(),
              (std::vector<std::string>{"/Sonavia/freechannels/package0/1.rd",
                                        "/Sonavia/freechannels/package0/2.rd"}));
    // A station whose address file is missing: a failure the user is told of.
    std::filesystem::remove(root_ / "Sonavia/freechannels/package0/1.rd");
    EXPECT_EQ(AddressOf("Zero"), "");
}

TEST_F(PackageTest, NewerPublishedVersionIsOffered) {
    const auto published = CheckRadioVersion(Bases(), ownVersion_);
    ASSERT_TRUE(published);
    EXPECT_EQ(VersionOfferText(*published), "Download version 3.15 now...");
}

TEST_F(PackageTest, SameOlderOrUnreadableVersionChangesNothing) {
    const std::vector<std::pair<std::string, std::string>> cases = {{"/", "3.1\r\n"},
                                                                    {"/", "2.9"},
                                                                    {"/", "<!DOCTYPE html>"},
                                                                    {"/fault/404/", "9.9"},
                                                                    {"/fault/500/", "9.9"}};
    ownVersion_ = 3.1F;
    for (const auto& [path, reply] : cases) {
        test::WriteFileBytes(root_ / "sonavia/channelsplus/versionplus.txt", reply);
        ServeFrom(path);
        EXPECT_EQ(CheckRadioVersion(Bases(), ownVersion_), std::nullopt) << path << reply;
    }
    ::setenv(kSiteBaseVariable, server_.RefusedUrl("/").c_str(), 1);
    EXPECT_EQ(CheckRadioVersion(Bases(), ownVersion_), std::nullopt);
}

// The version request has the shortest time-out, so a silent site costs this test 3 s.
TEST_F(PackageTest, SilentSiteLeavesTheButtonAlone) {
    test::WriteFileBytes(root_ / "sonavia/channelsplus/versionplus.txt", "9.9\n");
    ServeFrom("/fault/silent/");
    EXPECT_EQ(CheckRadioVersion(Bases(), ownVersion_), std::nullopt);
}

TEST_F(PackageTest, ShoppingComesFromTheServerElseFromTheArchive) {
    test::WriteFileBytes(root_ / "Sonavia/shoppingroot.all", "http://shop.test/\r\nspare\n");
    test::WriteFileBytes(root_ / "Sonavia/shopping.rd", "3\r\nbooks\r\nTwo words\r\nlost");
    ASSERT_TRUE(WriteArchive(dir_ / "radio.int", {{"SHOPPING.RD", "2\nkept\nstored\n"}}));
    archive_ = ReadArchiveDirectory(dir_ / "radio.int");

    ShoppingData data = LoadShopping(Bases(), archive_);
    EXPECT_EQ(data.root, "http://shop.test/");
    EXPECT_EQ(data.list.topics, (std::vector<std::string>{"Books", "Two words"}));
    EXPECT_EQ(server_.RequestPaths(),
              (std::vector<std::string>{"/Sonavia/shoppingroot.all", "/Sonavia/shopping.rd"}));

    // A web page in any letter case, a failed request and a refused connection.
    const std::vector<std::string> archived{"Kept", "Stored"};
    test::WriteFileBytes(root_ / "Sonavia/shopping.rd", "1\n<Html><body>Sign in</body>\n");
    data = LoadShopping(Bases(), archive_);
    EXPECT_EQ(data.root, "http://shop.test/");
    EXPECT_EQ(data.list.topics, archived);
    for (const std::string fault : {"html", "404"}) {
        ServeFrom("/fault/" + fault + "/");
        data = LoadShopping(Bases(), archive_);
        EXPECT_EQ(data.list.topics, archived) << fault;
        EXPECT_EQ(data.root, "") << fault;
    }
    ::setenv(kCatalogueBaseVariable, server_.RefusedUrl("/").c_str(), 1);
    data = LoadShopping(Bases(), archive_);
    EXPECT_EQ(data.root, "");
    EXPECT_EQ(data.list.topics, archived);
    // Nothing anywhere: an empty list.
    EXPECT_TRUE(LoadShopping(Bases(), {}).list.topics.empty());
}

} // namespace
} // namespace sonavia
