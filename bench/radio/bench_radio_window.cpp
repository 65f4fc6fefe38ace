// Times the real radio window's work on the interface thread, on the offscreen platform with a
// player that plays no sound but streams packets steadily (the meter and the activity box run):
//   - a hue change (CStation::ApplyHue: recolour, shape, buttons, film frames, iface.dat), and the
//     repaint it asks for;
//   - one tick of the 50 ms timer; and the interface thread's CPU time per tick while the
//     window's own timer runs for a while, the repaints it asks for included;
//   - the longest the interface thread stalls while the user chooses stations, presses "Random
//     Channel" and "Mute" and the catalogue server (on loopback) holds every address file;
//   - the longest the interface thread stalls while the radio window opens with a catalogue of
//     10,000 countries (one station each, within the catalogue's size limit) in its lists.
//
//   bench_radio_window [ticks]      (default 2000)
#include "CatalogueServer.h"
#include "RadioWindowGrab.h"
#include "catalogue/CatalogueLoad.h"
#include "catalogue/Config.h"
#include "catalogue/Package.h"
#include "radio/CMediaView.h"
#include "radio/CStation.h"
#include "rules/FetchProfiles.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <optional>
#include <vector>

namespace {

using namespace sonavia;

constexpr int kDefaultTicks = 2000;
constexpr int kHueRounds = 30;
constexpr std::array<int, 3> kHues{120, 240, 0};
constexpr int kFadeMs = 4000;
constexpr int kRunningMs = 10000;
constexpr int kTickMs = CStation::kWindowTimerIntervalMs;
constexpr double kHueTargetMs = 30.0;
constexpr double kTickTargetMs = 2.0;
constexpr int kStallProbeMs = 1;
constexpr int kStallActs = 12;
constexpr int kStallActGapMs = 250;
constexpr double kStallTargetMs = 20.0;
// An act hands its request to a worker and returns at once.
constexpr double kActTargetMs = 20.0;
constexpr char kHeldSeconds[] = "30";
constexpr int kManyCountries = 10000;
constexpr int kWindowOpenings = 3;
constexpr double kOpenStallTargetMs = 50.0;

struct Figures {
    double mean = 0;
    double median = 0;
    double worst = 0;
};

Figures Summarise(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    Figures f;
    for (const double m : ms) {
        f.mean += m;
    }
    f.mean /= static_cast<double>(ms.size());
    f.median = ms[ms.size() / 2];
    f.worst = ms.back();
    return f;
}

void Print(const char* what, const Figures& f, double target) {
    std::printf("%-44s mean %7.3f ms  median %7.3f ms  worst %7.3f ms  (target < %.0f ms: %s)\n",
                what, f.mean, f.median, f.worst, target, f.mean < target ? "met" : "MISSED");
}

double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

// Counts the paints of the window and the pixels they cover.
class PaintCounter : public QObject {
public:
    int paints = 0;
    long long pixels = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            ++paints;
            for (const QRect& rect : static_cast<QPaintEvent*>(event)->region()) {
                pixels += static_cast<long long>(rect.width()) * rect.height();
            }
        }
        return false;
    }
};

// Measures the longest gap between turns of the event loop while it runs.
class StallProbe {
public:
    StallProbe() {
        timer_.setInterval(kStallProbeMs);
        QObject::connect(&timer_, &QTimer::timeout, [this] {
            longest_ = std::max(longest_, static_cast<double>(sinceLast_.nsecsElapsed()) / 1e6);
            sinceLast_.restart();
        });
        sinceLast_.start();
        timer_.start();
    }
    double LongestMs() const { return longest_; }

private:
    QTimer timer_;
    QElapsedTimer sinceLast_;
    double longest_ = 0;
};

// A catalogue folder of `countries` countries with one station each, every name three bytes so
// that it stays within the catalogue's size limit, all offered; false when it would not fit.
bool WriteManyCountries(const std::filesystem::path& root, int countries) {
    constexpr char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
    constexpr int kBase = sizeof kLetters - 1;
    std::string text = std::to_string(countries) + "\n";
    for (int i = 0; i < countries; ++i) {
        const std::string name{kLetters[i / (kBase * kBase) % kBase], kLetters[i / kBase % kBase],
                               kLetters[i % kBase]};
        text += name + "\n\n\n" + name + "\n"; // country, key, number, station name
    }
    if (text.size() > kCatalogueProfile.maxBytes) {
        return false;
    }
    const std::filesystem::path product = root / "Sonavia";
    std::filesystem::create_directories(product / kCatalogueFolder);
    std::filesystem::create_directories(product / kPackagesFolder / "package0");
    std::ofstream(product / kCatalogueFolder / kCatalogueFile, std::ios::binary) << text;
    std::ofstream(product / kPackagesFolder / "package0.rd", std::ios::binary)
        << std::string(static_cast<std::size_t>(countries), '1');
    return true;
}

template <typename Work> double TimeMs(Work&& work) {
    QElapsedTimer timer;
    timer.start();
    work();
    return static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication application(argc, argv);
    const int ticks = argc > 1 ? std::max(1, std::atoi(argv[1])) : kDefaultTicks;
    QTemporaryDir startup;
    StartupContext context;
    context.startupDirectory = startup.path().toStdString();
    context.dataDirectory = SONAVIA_BUILD_FOLDER;
    context.interfacePack = ReadArchiveDirectory(SONAVIA_INTERFACE_ARCHIVE);

    // The bundled catalogue, served on loopback so that its address files can be held back.
    const std::filesystem::path catalogue =
        std::filesystem::path(SONAVIA_BUILD_FOLDER) / "catalogue";
    const test::CatalogueServer server(catalogue);
    qputenv(kCatalogueBaseVariable, QByteArray::fromStdString(server.Url("/")));
    const std::filesystem::path addresses = catalogue / "Sonavia/freechannels/package0";

    bool ran = false;
    WithRadioWindow(context, [&](CStation& window, FakePlayer& player) {
        if (QTreeWidgetItem* item = window.Tree()->topLevelItem(0)) {
            window.Tree()->Choose(item);
        }
        RunEventLoop(kFadeMs);
        std::printf("radio window %dx%d, playing at volume %d\n", window.width(), window.height(),
                    player.volume);

        std::vector<double> hue;
        std::vector<double> huePainted;
        for (int round = 0; round < kHueRounds; ++round) {
            const int next = kHues[static_cast<std::size_t>(round) % kHues.size()];
            const double applied = TimeMs([&] { window.ApplyHue(next); });
            // The whole window is repainted at once, as the update it asked for would.
            const double painted = TimeMs([&] { window.repaint(); });
            hue.push_back(applied);
            huePainted.push_back(applied + painted);
        }
        Print("hue change (ApplyHue)", Summarise(hue), kHueTargetMs);
        Print("hue change with its repaint", Summarise(huePainted), kHueTargetMs);

        std::vector<double> tick;
        for (int i = 0; i < ticks; ++i) {
            tick.push_back(TimeMs([&] { window.TimerTick(); }));
            QCoreApplication::processEvents();
        }
        Print("timer tick (TimerTick)", Summarise(tick), kTickTargetMs);

        // The window as it runs: its own timer, its own repaints, nothing else to do.
        PaintCounter counter;
        window.installEventFilter(&counter);
        const double cpuBefore = ThreadCpuMs();
        RunEventLoop(kRunningMs);
        const double cpu = ThreadCpuMs() - cpuBefore;
        window.removeEventFilter(&counter);
        const double tickCount = static_cast<double>(kRunningMs) / kTickMs;
        std::printf("running %d s: interface thread %.3f ms CPU a tick (%.2f %% of a core), "
                    "%.1f paints a second of %.0f pixels each (target < %.0f ms a tick: %s)\n",
                    kRunningMs / 1000, cpu / tickCount, 100.0 * cpu / kRunningMs,
                    1000.0 * counter.paints / kRunningMs,
                    counter.paints > 0 ? static_cast<double>(counter.pixels) / counter.paints : 0.0,
                    kTickTargetMs, cpu / tickCount < kTickTargetMs ? "met" : "MISSED");

        // Every address file held: each choice waits on the server, the window must not.
        std::vector<std::filesystem::path> holds;
        for (const auto& entry : std::filesystem::directory_iterator(addresses)) {
            holds.push_back(entry.path().string() + ".hold");
            std::ofstream(holds.back()) << kHeldSeconds;
        }
        std::optional<StallProbe> probe(std::in_place);
        CMediaView* tree = window.Tree();
        // How long an act keeps the interface thread while its request waits on the server.
        std::vector<double> acts;
        for (int act = 0; act < kStallActs; ++act) {
            acts.push_back(TimeMs([&] {
                if (act % 3 == 0) {
                    window.WindowRandomPlay();
                } else if (QTreeWidgetItem* item =
                               tree->topLevelItem(act % tree->topLevelItemCount())) {
                    tree->Choose(item);
                }
            }));
            RunEventLoop(kStallActGapMs);
        }
        Print("act while its address is held (Random Channel, tree)", Summarise(acts),
              kActTargetMs);
        const double longest = probe->LongestMs();
        probe.reset();
        for (const auto& hold : holds) {
            std::filesystem::remove(hold);
        }
        std::printf("longest interface stall, %d acts while every address file is held: %.1f ms "
                    "(target < %.0f ms: %s)\n",
                    kStallActs, longest, kStallTargetMs,
                    longest < kStallTargetMs ? "met" : "MISSED");
        ran = true;
    });
    if (!ran) {
        return 1;
    }

    // Every opening of the window builds its lists anew.
    QTemporaryDir many;
    if (!WriteManyCountries(many.path().toStdString(), kManyCountries)) {
        return 1;
    }
    qputenv(kCatalogueBaseVariable,
            QByteArray::fromStdString(FileUrlOf(many.path().toStdString())));
    std::vector<double> openings;
    for (int opening = 0; opening < kWindowOpenings; ++opening) {
        StallProbe probe;
        int countries = 0;
        WithRadioWindow(context, [&](CStation& window, FakePlayer&) {
            for (const QComboBox* list : window.findChildren<QComboBox*>()) {
                if (list->accessibleName() == QStringLiteral("Country")) {
                    countries = list->count();
                }
            }
            openings.push_back(probe.LongestMs());
        });
        if (countries != kManyCountries) {
            std::printf("the window listed %d countries, not %d\n", countries, kManyCountries);
            return 1;
        }
    }
    Print("window opening, 10000 countries (longest stall)", Summarise(openings),
          kOpenStallTargetMs);
    return 0;
}
