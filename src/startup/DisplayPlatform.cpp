#include "startup/DisplayPlatform.h"

#include <QDir>
#include <QLibraryInfo>
#include <QStringList>
#include <QtGlobal>

namespace sonavia {

namespace {

constexpr char kPlatformVariable[] = "QT_QPA_PLATFORM";
constexpr char kPluginPathVariable[] = "QT_PLUGIN_PATH";
constexpr char kX11DisplayVariable[] = "DISPLAY";
constexpr char kWaylandDisplayVariable[] = "WAYLAND_DISPLAY";
constexpr char kX11Platform[] = "xcb";
constexpr char kWaylandPlatform[] = "wayland";
constexpr char kPlatformPluginFolder[] = "platforms";
constexpr char kWaylandPluginPattern[] = "libqwayland-*.so";
constexpr char kNoSharedMemoryVariable[] = "QT_XCB_NO_MITSHM";

bool Set(const char* variable) {
    return !qEnvironmentVariableIsEmpty(variable);
}

bool WaylandPluginInstalled() {
    QStringList folders = QString::fromLocal8Bit(qgetenv(kPluginPathVariable))
                              .split(QLatin1Char(':'), Qt::SkipEmptyParts);
    folders.append(QLibraryInfo::path(QLibraryInfo::PluginsPath));
    for (const QString& folder : folders) {
        const QDir platforms(folder + QLatin1Char('/') + QLatin1String(kPlatformPluginFolder));
        if (!platforms.entryList({QLatin1String(kWaylandPluginPattern)}, QDir::Files).isEmpty()) {
            return true;
        }
    }
    return false;
}

} // namespace

DisplayChoice ChooseDisplay(const DisplayFacts& facts) {
    if (facts.platformSet) {
        return DisplayChoice::AsSet;
    }
    if (facts.waylandDisplay && facts.waylandPlugin) {
        return DisplayChoice::Wayland;
    }
    if (facts.x11Display) {
        return DisplayChoice::X11;
    }
    return facts.waylandDisplay ? DisplayChoice::NoWaylandSupport : DisplayChoice::NoDisplay;
}

DisplayFacts CurrentDisplayFacts() {
    DisplayFacts facts;
    facts.platformSet = Set(kPlatformVariable);
    facts.x11Display = Set(kX11DisplayVariable);
    facts.waylandDisplay = Set(kWaylandDisplayVariable);
    facts.waylandPlugin = facts.waylandDisplay && WaylandPluginInstalled();
    return facts;
}

std::optional<std::string> PrepareDisplay() {
    // The window changes in small pieces many times a second (the meter, the activity box). An
    // X server's shared-memory copy answers each one with an event that wakes the program a
    // second time; a piece sent in the request itself costs less than that wake-up.
    if (!qEnvironmentVariableIsSet(kNoSharedMemoryVariable)) {
        qputenv(kNoSharedMemoryVariable, "1");
    }
    switch (ChooseDisplay(CurrentDisplayFacts())) {
    case DisplayChoice::AsSet:
        break;
    case DisplayChoice::X11:
        qputenv(kPlatformVariable, kX11Platform);
        break;
    case DisplayChoice::Wayland:
        qputenv(kPlatformVariable, kWaylandPlatform);
        break;
    case DisplayChoice::NoDisplay:
        return kNoDisplayText;
    case DisplayChoice::NoWaylandSupport:
        return kNoWaylandSupportText;
    }
    return std::nullopt;
}

} // namespace sonavia
