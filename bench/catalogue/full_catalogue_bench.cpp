// Times the program at the catalogue's full size: a catalogue that fills the bytes the program
// reads of it, some 2,500 stations in 200 countries as radiocat import writes them, on the
// offscreen platform with a player that plays no sound. It prints the interface thread's longest
// stall while
//   - the radio window opens, and its lists fill once the catalogue is in;
//   - the country list opens, and the country with the most stations is chosen;
//   - "Random Channel" acts, until the lists show the station chosen;
// and how long the desktop's search takes to answer GNOME Shell and KRunner from memory, for
// that catalogue and for the most stations the size limit can offer (short names and countries).
//
//   bench_full_catalogue [rounds]      (default 5)
#include "RadioWindowGrab.h"
#include "StallMeter.h"
#include "catalogue/CatalogueLoad.h"
#include "catalogue/Config.h"
#include "catalogue/Package.h"
#include "radio/CStation.h"
#include "radio/RadioServices.h"
#include "radio/SearchProviders.h"
#include "radio/StationSearch.h"
#include "rules/FetchProfiles.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QLocale>
#include <QTemporaryDir>
#include <algorithm>
#include <array>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace sonavia;
using test::StallMeter;

constexpr int kDefaultRounds = 5;
constexpr int kCountries = 200;
// The rounds in which the countries after the first take fewer stations than it.
constexpr std::size_t kLongTail = 400;
constexpr double kStallTargetMs = 50.0;
constexpr double kSearchTargetMs = 50.0;
// Long enough for a station's address to come from the folder and the lists to show it.
constexpr int kSettleMs = 400;
// How many results GNOME Shell describes at once (it shows a few of each provider).
constexpr int kShellResultsShown = 5;
// Searches as users type them: two letters that match thousands, a country, a name.
constexpr std::array<const char*, 4> kQueries = {"ra", "un", "united kingdom", "sunset 7"};
constexpr std::array<const char*, 6> kWords = {"Radio", "Sunset",  "Coastal",
                                               "Metro", "Classic", "Public"};
constexpr char kStationAddress[] = "http://127.0.0.1:9/";

void Print(const char* what, std::vector<double> ms, double target) {
    std::sort(ms.begin(), ms.end());
    const double worst = ms.back();
    std::printf("%-58s median %7.2f ms  worst %7.2f ms  (target <= %.0f ms: %s)\n", what,
                ms[ms.size() / 2], worst, target, worst <= target ? "met" : "MISSED");
}

template <typename Work> double TimeMs(Work&& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

struct Record {
    std::string country;
    std::string name;
};

// The countries' names as the import gives them: the names of the locale's territories.
std::vector<std::string> CountryNames() {
    std::vector<std::string> names;
    for (int t = 1; t <= QLocale::LastTerritory && static_cast<int>(names.size()) < kCountries;
         ++t) {
        const QString name = QLocale::territoryToString(static_cast<QLocale::Territory>(t));
        if (!name.isEmpty()) {
            names.push_back(name.toStdString());
        }
    }
    return names;
}

// Stations until the catalogue's bytes are full: every country one, then each country's share
// following a long tail (the first countries have many stations, most have a few), as the
// directory's export gives them.
std::vector<Record> FullCatalogue() {
    const std::vector<std::string> countries = CountryNames();
    std::vector<std::vector<Record>> byCountry(countries.size());
    std::size_t bytes = std::to_string(kFlagsProfile.maxBytes).size() + 1;
    std::size_t count = 0;
    const auto add = [&](std::size_t c) {
        const std::string name = std::string(kWords[count % kWords.size()]) + " " +
                                 kWords[(count / kWords.size()) % kWords.size()] + " " +
                                 std::to_string(count) + " FM";
        const std::size_t size = countries[c].size() + name.size() +
                                 std::to_string(count + 1).size() + 4; // four line feeds
        if (bytes + size > kCatalogueProfile.maxBytes) {
            return false;
        }
        bytes += size;
        ++count;
        byCountry[c].push_back({countries[c], name});
        return true;
    };
    for (std::size_t c = 0; c < countries.size(); ++c) {
        add(c);
    }
    for (std::size_t round = 1;; ++round) {
        for (std::size_t c = 0; c < countries.size(); ++c) {
            // Country c has about 1/(c+1) of the first one's stations, until every country
            // takes one more a round.
            const bool turn = round * (c + 1) <= kLongTail || round > kLongTail;
            if (turn && !add(c)) {
                std::vector<Record> all;
                for (auto& stations : byCountry) {
                    all.insert(all.end(), stations.begin(), stations.end());
                }
                return all;
            }
        }
    }
}

// The catalogue folder as radiocat writes it: catalogue, flags and an address file a station.
void WriteCatalogue(const std::filesystem::path& root, const std::vector<Record>& records) {
    const std::filesystem::path product = root / "Sonavia";
    const std::filesystem::path addresses = product / kPackagesFolder / kStartupPackage;
    std::filesystem::create_directories(product / kCatalogueFolder);
    std::filesystem::create_directories(addresses);
    std::string text = std::to_string(records.size()) + "\n";
    for (std::size_t i = 0; i < records.size(); ++i) {
        text += records[i].country + "\n\n" + std::to_string(i + 1) + "\n" + records[i].name + "\n";
        std::ofstream(addresses / (std::to_string(i + 1) + ".rd"))
            << kStationAddress << i + 1 << "\n";
    }
    std::ofstream(product / kCatalogueFolder / kCatalogueFile, std::ios::binary) << text;
    std::ofstream(product / kPackagesFolder / (std::string(kStartupPackage) + ".rd"))
        << std::string(records.size(), '1') << "\n";
}

// The most stations the limit offers: one a flag, each record as short as it can be.
RadioCatalogue MostStations() {
    RadioCatalogue catalogue;
    for (std::size_t i = 0; i < kFlagsProfile.maxBytes; ++i) {
        StationRecord record;
        record.country = std::to_string(i % kCountries);
        record.name = std::to_string(i);
        record.index = static_cast<int>(i);
        record.present = true;
        catalogue.records.push_back(record);
    }
    catalogue.count = catalogue.filled = static_cast<int>(catalogue.records.size());
    return catalogue;
}

// The desktop's search as the two desktops call it: the first search, its results' descriptions,
// the next letter, and KRunner's match.
void TimeSearches(SearchProviders& search, std::vector<double>& shell,
                  std::vector<double>& runner) {
    ShellSearchProvider gnome(search);
    StationRunner krunner(search);
    for (const char* query : kQueries) {
        const QStringList terms = QString::fromLatin1(query).split(QLatin1Char(' '));
        QStringList found;
        shell.push_back(TimeMs([&] { found = gnome.GetInitialResultSet(terms); }));
        shell.push_back(TimeMs([&] { gnome.GetResultMetas(found.mid(0, kShellResultsShown)); }));
        shell.push_back(TimeMs([&] {
            gnome.GetSubsearchResultSet(found, QStringList(terms) << QStringLiteral("1"));
        }));
        runner.push_back(TimeMs([&] { krunner.Match(QString::fromLatin1(query)); }));
    }
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultRounds;

    QTemporaryDir folder;
    const std::vector<Record> records = FullCatalogue();
    WriteCatalogue(folder.path().toStdString(), records);
    std::map<std::string, int> perCountry;
    for (const Record& record : records) {
        ++perCountry[record.country];
    }
    const auto largest =
        std::max_element(perCountry.begin(), perCountry.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    std::printf(
        "catalogue: %zu stations in %zu countries (%d in %s), %ju of %zu bytes\n", records.size(),
        perCountry.size(), largest->second, largest->first.c_str(),
        static_cast<std::uintmax_t>(std::filesystem::file_size(
            folder.path().toStdString() + "/Sonavia/" + kCatalogueFolder + "/" + kCatalogueFile)),
        kCatalogueProfile.maxBytes);
    qputenv(kCatalogueBaseVariable,
            QByteArray::fromStdString(FileUrlOf(folder.path().toStdString())));

    std::vector<double> opening, countryList, random, shell, runner;
    for (int round = 0; round < rounds; ++round) {
        QTemporaryDir startup;
        StartupContext context;
        context.startupDirectory = startup.path().toStdString();
        context.dataDirectory = SONAVIA_BUILD_FOLDER;
        context.interfacePack = ReadArchiveDirectory(SONAVIA_INTERFACE_ARCHIVE);
        auto meter = std::make_unique<StallMeter>();
        WithRadioWindow(context, [&](CStation& window, FakePlayer&) {
            RunEventLoop(kSettleMs);
            opening.push_back(static_cast<double>(meter->LongestMs()));

            QComboBox* countries = window.CountryList();
            meter->Restart();
            countries->showPopup();
            RunEventLoop(kSettleMs);
            const int index = countries->findText(QString::fromStdString(largest->first));
            countries->hidePopup();
            countries->setCurrentIndex(index);
            window.SelectCountry(index);
            RunEventLoop(kSettleMs);
            countryList.push_back(static_cast<double>(meter->LongestMs()));

            meter->Restart();
            window.WindowRandomPlay();
            RunEventLoop(kSettleMs);
            random.push_back(static_cast<double>(meter->LongestMs()));

            // Each round's first search makes the index.
            TimeSearches(window.Services().DesktopSearch(), shell, runner);
        });
        meter.reset();
    }
    Print("radio window opens, lists filled (longest stall)", opening, kStallTargetMs);
    Print("country list opens, largest country chosen (longest stall)", countryList,
          kStallTargetMs);
    Print("Random Channel until the lists show it (longest stall)", random, kStallTargetMs);
    Print("GNOME Shell search: results, descriptions, next letter", shell, kSearchTargetMs);
    Print("KRunner match", runner, kSearchTargetMs);

    const RadioCatalogue most = MostStations();
    std::vector<double> indexed, found;
    for (int round = 0; round < rounds; ++round) {
        std::optional<StationSearch> search;
        indexed.push_back(TimeMs([&] { search.emplace(most); }));
        for (const char* query : kQueries) {
            found.push_back(TimeMs([&] { search->Find({QString::fromLatin1(query)}); }));
        }
    }
    std::printf("%zu stations, the most the limit offers:\n", most.records.size());
    Print("  index made at the first search", indexed, kSearchTargetMs);
    Print("  one search", found, kSearchTargetMs);
    return 0;
}
