#include "CatalogueServer.h"
#include "TestSupport.h"
#include "catalogue/CatalogueLoad.h"
#include "catalogue/CatalogueValues.h"
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

// The download button of a radio window, as the version check sees it.
struct RecordingButton : DownloadButton {
    void SetButtonText(const std::string& newText) override { text = newText; }
    void ShowButton() override { shown = true; }
    std::string text = "Download latest version";
    bool shown = false;
};

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
        catalogue::radioCatalogue = {};
        catalogue::newVersionFound = false;
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

    std::vector<std::string> Names() const {
        std::vector<std::string> names;
        for (int i = 0; i < catalogue::radioCatalogue.filled; ++i) {
            names.push_back(catalogue::radioCatalogue.records[static_cast<std::size_t>(i)].name);
        }
        return names;
    }

    std::vector<int> Offered() const {
        std::vector<int> present;
        for (const auto& record : catalogue::radioCatalogue.records) {
            present.push_back(record.present);
        }
        return present;
    }

    test::TempDir dir_;
    InterfacePackDirectory archive_;
    float ownVersion_ = 1.1F;
    std::filesystem::path root_ = dir_ / "root";
    test::CatalogueServer server_{root_};
};

TEST_F(PackageTest, StartUpRequestsTheFilesOfThePackageAndTheSite) {
    ChoosePackage();
    EXPECT_EQ(catalogue::currentPackage, "package0");
    EXPECT_EQ(catalogue::packageBase, server_.Url("/Sonavia/freechannels/package0/"));
    LoadRadioCatalogue(archive_);
    ApplyRadioPackageFlags();
    EXPECT_EQ(catalogue::packageBase, server_.Url("/Sonavia/freechannels/package0"));
    EXPECT_EQ(Names(), kServedStations);
    EXPECT_EQ(Offered(), (std::vector<int>{1, 1, 0, 1, 0, 1, 1}));
    EXPECT_EQ(InfoTipFor("S6"), "About S6");

    const StationAddress address = StationAddressFor("S6");
    EXPECT_FALSE(address.Failed());
    EXPECT_EQ(address.address, "http://stream.test/7");

    RecordingButton button;
    CheckRadioVersion(button, ownVersion_);
    EXPECT_EQ(server_.RequestPaths(), (std::vector<std::string>{
                                          "/Sonavia/channelsplus/channels.rd",
                                          "/Sonavia/freechannels/package0.rd",
                                          "/Sonavia/freechannels/package0/7.rd",
                                          "/sonavia/channelsplus/versionplus.txt",
                                      }));
}

TEST_F(PackageTest, CatalogueCanBeALocalFolder) {
    ::setenv(kCatalogueBaseVariable, ("file://" + root_.string()).c_str(), 1);
    ChoosePackage();
    LoadRadioCatalogue(archive_);
    ApplyRadioPackageFlags();
    EXPECT_EQ(Names(), kServedStations);
    EXPECT_EQ(Offered(), (std::vector<int>{1, 1, 0, 1, 0, 1, 1}));
    EXPECT_EQ(StationAddressFor("S6").address, "http://stream.test/7");
}

TEST_F(PackageTest, UnusableDownloadsFallBackToTheArchiveCopy) {
    // "close" sends half of the catalogue and ends the connection.
    for (const std::string fault : {"404", "500", "close", "html", "refused"}) {
        if (fault == "refused") {
            ::setenv(kCatalogueBaseVariable, server_.RefusedUrl("/").c_str(), 1);
        } else {
            ServeFrom("/fault/" + fault + "/");
        }
        catalogue::radioCatalogue = {};
        LoadRadioCatalogue(archive_);
        EXPECT_EQ(Names(), (std::vector<std::string>{"A0", "A1", "A2"})) << fault;
        EXPECT_EQ(catalogue::radioCatalogue.count, 3) << fault;
    }
    // A catalogue that mentions "html" anywhere is a web page.
    test::WriteFileBytes(root_ / "Sonavia/channelsplus/channels.rd",
                         CatalogueText({"<html>", "B"}));
    ServeFrom("/");
    LoadRadioCatalogue(archive_);
    EXPECT_EQ(Names(), (std::vector<std::string>{"A0", "A1", "A2"}));
    // A redirect is followed to the real catalogue.
    test::WriteFileBytes(root_ / "Sonavia/channelsplus/channels.rd", CatalogueText({"R0"}));
    ServeFrom("/fault/redirect/");
    LoadRadioCatalogue(archive_);
    EXPECT_EQ(Names(), std::vector<std::string>{"R0"});
    // No server and no archive copy: an empty catalogue.
    ::setenv(kCatalogueBaseVariable, server_.RefusedUrl("/").c_str(), 1);
    archive_ = {};
    LoadRadioCatalogue(archive_);
    EXPECT_EQ(catalogue::radioCatalogue.count, 0);
    EXPECT_TRUE(catalogue::radioCatalogue.records.empty());
}

TEST_F(PackageTest, FlagsMarkStationsAndAFailedRequestOffersNone) {
    ChoosePackage();
    LoadRadioCatalogue(archive_);
    test::WriteFileBytes(root_ / "Sonavia/freechannels/package0.rd", "1101");
    ApplyRadioPackageFlags();
    EXPECT_EQ(Offered(), (std::vector<int>{1, 1, 0, 1, 0, 0, 0}));

    // A base given with a final backslash loses it before ".rd".
    catalogue::packageBase = server_.Url("/Sonavia/freechannels/package0\\");
    server_.ClearLog();
    ApplyRadioPackageFlags();
    EXPECT_EQ(server_.RequestPaths(),
              std::vector<std::string>{"/Sonavia/freechannels/package0.rd"});

    // Error statuses offer nothing.
    for (const std::string fault : {"/fault/404", "/fault/500", "/fault/unknown-mode"}) {
        catalogue::packageBase = server_.Url(fault + "/Sonavia/freechannels/package0");
        test::WriteFileBytes(root_ / "Sonavia/freechannels/package0.rd", "1111111");
        ApplyRadioPackageFlags();
        EXPECT_EQ(Offered(), std::vector<int>(7, 0)) << fault;
    }
}

TEST_F(PackageTest, LookupsUseTheFirstRecordOfAName) {
    test::WriteFileBytes(root_ / "Sonavia/channelsplus/channels.rd",
                         CatalogueText({"Zero", "Twin", "Twin"}));
    ChoosePackage();
    LoadRadioCatalogue(archive_);
    ApplyRadioPackageFlags();
    EXPECT_EQ(InfoTipFor("Twin"), "About Twin");
    EXPECT_EQ(InfoTipFor("twin"), "");
    server_.ClearLog();
    std::vector<std::string> addresses;
    for (const char* name : {"Zero", "Twin", "Nobody", ""}) {
        const StationAddress address = StationAddressFor(name);
        EXPECT_FALSE(address.Failed()) << name;
        addresses.push_back(address.address);
    }
    EXPECT_EQ(addresses,
              (std::vector<std::string>{"http://stream.test/1", "http://stream.test/2", "", ""}));
    // Unknown names make no request.
    EXPECT_EQ(server_.RequestPaths(),
              (std::vector<std::string>{"/Sonavia/freechannels/package0/1.rd",
                                        "/Sonavia/freechannels/package0/2.rd"}));
    // A station whose address file is missing: a failure the user is told of.
    std::filesystem::remove(root_ / "Sonavia/freechannels/package0/1.rd");
    const StationAddress missing = StationAddressFor("Zero");
    EXPECT_TRUE(missing.Failed());
    EXPECT_EQ(missing.address, "");
}

TEST_F(PackageTest, NewerPublishedVersionIsOffered) {
    RecordingButton button;
    CheckRadioVersion(button, ownVersion_);
    EXPECT_EQ(button.text, "Download version 3.15 now...");
    EXPECT_TRUE(button.shown);
    EXPECT_TRUE(catalogue::newVersionFound);
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
        RecordingButton button;
        CheckRadioVersion(button, ownVersion_);
        EXPECT_EQ(button.text, "Download latest version") << path << reply;
        EXPECT_FALSE(button.shown) << path << reply;
        EXPECT_FALSE(catalogue::newVersionFound) << path << reply;
    }
    ::setenv(kSiteBaseVariable, server_.RefusedUrl("/").c_str(), 1);
    RecordingButton button;
    CheckRadioVersion(button, ownVersion_);
    EXPECT_FALSE(button.shown);
}

// The version request has the shortest time-out, so a silent site costs this test 3 s.
TEST_F(PackageTest, SilentSiteLeavesTheButtonAlone) {
    test::WriteFileBytes(root_ / "sonavia/channelsplus/versionplus.txt", "9.9\n");
    ServeFrom("/fault/silent/");
    RecordingButton button;
    CheckRadioVersion(button, ownVersion_);
    EXPECT_FALSE(button.shown);
    EXPECT_FALSE(catalogue::newVersionFound);
}

TEST_F(PackageTest, ShoppingComesFromTheServerElseFromTheArchive) {
    test::WriteFileBytes(root_ / "Sonavia/shoppingroot.all", "http://shop.test/\r\nspare\n");
    test::WriteFileBytes(root_ / "Sonavia/shopping.rd", "3\r\nbooks\r\nTwo words\r\nlost");
    ASSERT_TRUE(WriteArchive(dir_ / "radio.int", {{"SHOPPING.RD", "2\nkept\nstored\n"}}));
    archive_ = ReadArchiveDirectory(dir_ / "radio.int");

    ShoppingData data = LoadShopping(archive_);
    EXPECT_EQ(data.root, "http://shop.test/");
    EXPECT_EQ(data.list.topics, (std::vector<std::string>{"Books", "Two words"}));
    EXPECT_EQ(server_.RequestPaths(),
              (std::vector<std::string>{"/Sonavia/shoppingroot.all", "/Sonavia/shopping.rd"}));

    // A web page in any letter case, a failed request and a refused connection.
    const std::vector<std::string> archived{"Kept", "Stored"};
    test::WriteFileBytes(root_ / "Sonavia/shopping.rd", "1\n<Html><body>Sign in</body>\n");
    data = LoadShopping(archive_);
    EXPECT_EQ(data.root, "http://shop.test/");
    EXPECT_EQ(data.list.topics, archived);
    for (const std::string fault : {"html", "404"}) {
        ServeFrom("/fault/" + fault + "/");
        data = LoadShopping(archive_);
        EXPECT_EQ(data.list.topics, archived) << fault;
        EXPECT_EQ(data.root, "") << fault;
    }
    ::setenv(kCatalogueBaseVariable, server_.RefusedUrl("/").c_str(), 1);
    data = LoadShopping(archive_);
    EXPECT_EQ(data.root, "");
    EXPECT_EQ(data.list.topics, archived);
    // Nothing anywhere: an empty list.
    EXPECT_TRUE(LoadShopping({}).list.topics.empty());
}

} // namespace
} // namespace sonavia
