#include "CatalogueServer.h"
#include "TestSupport.h"
#include "catalogue/CatalogueLoad.h"
#include "catalogue/Config.h"
#include "catalogue/Fetch.h"
#include "catalogue/Package.h"
#include "catalogue/VersionCheck.h"
#include "localfiles/InterfaceArchive.h"

#include <QProcess>
#include <cstdlib>
#include <gtest/gtest.h>

// SONAVIA_RADIOCAT (the tool) and SONAVIA_BUILD_DIR (the folder holding the bundled catalogue
// and site pages) come from the build.

namespace sonavia {
namespace {

namespace fs = std::filesystem;

struct Listed {
    std::string name;
    std::string about;
    std::string address;
    int offered;
};

// UTF-8 names pass through as bytes; a "#" at the start of a name is no comment.
const std::vector<Listed> kListed = {
    {"\xC3\x96"
     "1",
     "Kultur aus Wien", "http://stream.test/oe1", 1},
    {"NRK Jazz", "Jazz", "http://stream.test/jazz", 0},
    {"#1 Hits", "Hits", "http://stream.test/hits?x=1#top", 1},
};

// A catalogue folder made by radiocat, read by the program's own loading code.
class BuiltCatalogueTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* variable : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY",
                                     kCatalogueBaseVariable, kSiteBaseVariable}) {
            ::unsetenv(variable);
        }
        ASSERT_TRUE(server_.Running());
    }

    void TearDown() override { ::unsetenv(kCatalogueBaseVariable); }

    // Runs radiocat; its exit status.
    int Radiocat(const QStringList& arguments) {
        QProcess tool;
        tool.start(QStringLiteral(SONAVIA_RADIOCAT), arguments);
        EXPECT_TRUE(tool.waitForFinished(30000));
        return tool.exitStatus() == QProcess::NormalExit ? tool.exitCode() : -1;
    }

    // The bundled catalogue and pages lie in `dataDirectory`.
    void LoadAsTheProgramStarts(const fs::path& dataDirectory = fs::current_path()) {
        bases_ = ServerBasesFor(dataDirectory);
        package_ = ChoosePackage(bases_);
        catalogue_ = LoadRadioCatalogue(bases_, InterfacePackDirectory{}).catalogue;
        ApplyRadioPackageFlags(package_, catalogue_);
    }

    std::string AddressOf(std::string_view name) const {
        const auto position = FindStation(catalogue_, name);
        return position ? FetchItemText(ItemKind::RadioStation, package_.packageBase,
                                        catalogue_.records[*position].index + 1)
                        : std::string();
    }

    ServerBases bases_;
    ChannelPackage package_;
    RadioCatalogue catalogue_;
    test::TempDir dir_;
    // A blank in the path: file addresses must encode it.
    fs::path root_ = dir_ / "served root";
    test::CatalogueServer server_{root_};
};

TEST_F(BuiltCatalogueTest, ReadsThroughAFileAddressAndTheLoopbackServer) {
    std::string list = "# country\tname\tdescription\taddress\toffered\n";
    for (const auto& station : kListed) {
        list += "Norway\t" + station.name + "\t" + station.about + "\t" + station.address + "\t" +
                std::to_string(station.offered) + "\n";
    }
    test::WriteFileBytes(dir_ / "list.tsv", list);
    fs::create_directories(root_);
    ASSERT_EQ(Radiocat({"build", QString::fromStdString((dir_ / "list.tsv").string()),
                        QString::fromStdString((root_ / "cat").string())}),
              0);

    for (const std::string& base : {FileUrlOf(root_ / "cat"), server_.Url("/cat/")}) {
        SCOPED_TRACE(base);
        ::setenv(kCatalogueBaseVariable, base.c_str(), 1);
        server_.ClearLog();
        LoadAsTheProgramStarts();
        ASSERT_EQ(catalogue_.filled, static_cast<int>(kListed.size()));
        std::vector<std::string> addresses;
        for (const auto& station : kListed) {
            addresses.push_back(AddressOf(station.name));
        }
        for (std::size_t i = 0; i < kListed.size(); ++i) {
            const auto& record = catalogue_.records[i];
            EXPECT_EQ(record.name, kListed[i].name);
            EXPECT_EQ(record.country, "Norway");
            EXPECT_EQ(InfoTipFor(catalogue_, kListed[i].name), kListed[i].about);
            EXPECT_EQ(record.present, kListed[i].offered == 1) << record.name;
            EXPECT_EQ(addresses[i], kListed[i].address);
        }
        if (base.starts_with("http")) {
            EXPECT_EQ(server_.RequestPaths().front(), "/cat/Sonavia/channelsplus/channels.rd");
        }
    }
}

TEST_F(BuiltCatalogueTest, WithoutVariablesTheBundledCatalogueAndPagesAreRead) {
    EXPECT_EQ(FileUrlOf("/srv/a b/\xC3\x96%"), "file:///srv/a%20b/%C3%96%25/");
    const fs::path buildDir = SONAVIA_BUILD_DIR;
    LoadAsTheProgramStarts(buildDir);
    EXPECT_EQ(bases_.catalogue, FileUrlOf(buildDir / "catalogue") + "Sonavia/");
    EXPECT_EQ(bases_.site, FileUrlOf(buildDir / "site") + "sonavia/");

    const auto& stations = catalogue_;
    ASSERT_GE(stations.filled, 40);
    EXPECT_EQ(stations.filled, stations.count);
    for (const auto& record : stations.records) {
        EXPECT_TRUE(record.present) << record.name;
    }
    const std::string last = stations.records.back().name;
    const std::string found = AddressOf(last);
    EXPECT_TRUE(found.starts_with("https://") || found.starts_with("http://")) << found;

    // Every link page is there, and the version file publishes this build's version.
    for (const char* page :
         {"index.php", "support.php", "download.php", "color.php", "watchtv.php", "store.php"}) {
        EXPECT_NE(FetchText(bases_.site + page, kItemProfile).find("Sonavia Plus"),
                  std::string::npos)
            << page;
    }
    EXPECT_TRUE(CheckRadioVersion(bases_, 0.5F).has_value());
    EXPECT_FALSE(CheckRadioVersion(bases_, 1000.0F).has_value());

    // A variable still points the program elsewhere.
    ::setenv(kCatalogueBaseVariable, server_.Url("/").c_str(), 1);
    EXPECT_EQ(ServerBasesFor(buildDir).catalogue, server_.Url("/Sonavia/"));
}

} // namespace
} // namespace sonavia
