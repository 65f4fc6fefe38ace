// Pictures of the radio window for the documentation, grabbed from the real window:
//
//   window-preview ARCHIVE DATA_FOLDER OUT_FOLDER
//
// The program's start-up runs in a fresh start-up folder with the interface archive ARCHIVE and
// the bundled catalogue and site of DATA_FOLDER (the build folder), a station of the list is
// chosen and faded in, and the window is grabbed at hue 0, 120 and 240 (skin-hueN.png).

#include "RadioWindowGrab.h"
#include "catalogue/Config.h"
#include "controls/CCoolSlider.h"
#include "radio/CMediaView.h"
#include "radio/CStation.h"
#include "resources/ControlIds.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <array>
#include <iostream>

namespace {

using namespace sonavia;

constexpr int kUsageError = 2;
constexpr int kFailure = 1;
constexpr std::array<int, 3> kHues{0, 120, 240};
// The station shown chosen: the second of the first country, so that the list shows a choice.
constexpr int kChosenEntry = 1;
constexpr int kFadeWaitMs = 15000;
constexpr int kSettleMs = 200;

bool Grab(const StartupContext& context, const QString& folder) {
    bool ok = true;
    WithRadioWindow(context, [&](CStation& window, FakePlayer& player) {
        CMediaView* tree = window.Tree();
        if (QTreeWidgetItem* item = tree->topLevelItem(kChosenEntry)) {
            tree->Choose(item);
            tree->SelectQuietly(item);
        }
        // The volume fades in to the one of the settings; the picture shows where it ends.
        const auto* volume =
            qobject_cast<CCoolSlider*>(ids::FindControl(&window, ids::kVolumeSlider));
        QElapsedTimer waited;
        waited.start();
        int last = -1;
        while (waited.elapsed() < kFadeWaitMs && (player.volume == 0 || last != player.volume)) {
            last = player.volume;
            RunEventLoop(kSettleMs);
        }
        ok = volume != nullptr && player.volume == volume->value() && player.volume > 0;
        auto* hueSlider = qobject_cast<CCoolSlider*>(ids::FindControl(&window, ids::kHueSlider));
        for (const int hue : kHues) {
            // As a release of the slider at that position does.
            if (hueSlider != nullptr) {
                hueSlider->setValue(hue);
            }
            window.ApplyHue(hue);
            RunEventLoop(kSettleMs);
            const QString name = folder + QStringLiteral("/skin-hue%1.png").arg(hue);
            ok = GrabShaped(window).save(name, "PNG") && ok;
        }
    });
    return ok;
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() != 4) {
        std::cerr << "usage: window-preview ARCHIVE DATA_FOLDER OUT_FOLDER\n";
        return kUsageError;
    }
    // The bundled catalogue and site, whatever the caller's environment points at.
    for (const char* variable : {kCatalogueBaseVariable, kSiteBaseVariable}) {
        qunsetenv(variable);
    }
    QTemporaryDir startup;
    if (!startup.isValid()) {
        return kFailure;
    }
    StartupContext context;
    context.startupDirectory = startup.path().toStdString();
    context.dataDirectory = args[2].toStdString();
    context.interfacePack = ReadArchiveDirectory(args[1].toStdString());

    if (!Grab(context, args[3])) {
        std::cerr << "window-preview: could not grab every picture\n";
        return kFailure;
    }
    return 0;
}
