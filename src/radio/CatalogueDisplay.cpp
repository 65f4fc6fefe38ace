#include "radio/CatalogueDisplay.h"

#include "radio/RadioCore.h"

namespace sonavia {

namespace {

constexpr char16_t kTitleSeparator[] = u" \u2014 ";
constexpr char kStopped[] = " (stopped)";

} // namespace

QString NowPlayingText(const RadioCore& core) {
    const std::string& station = core.CurrentStationName();
    if (!station.empty() && core.State() == PlayState::Stopped) {
        return DisplayText(station) + QString::fromLatin1(kStopped);
    }
    return TunerLineText(core);
}

QString TunerLineText(const RadioCore& core) {
    const std::string& station = core.CurrentStationName();
    if (station.empty()) {
        return {};
    }
    switch (core.State()) {
    case PlayState::Failed:
        return CannotReachText(station);
    case PlayState::Stopped:
        return {};
    case PlayState::Connecting:
    case PlayState::Playing:
        break;
    }
    if (core.StreamTitle().isEmpty()) {
        return DisplayText(station);
    }
    return DisplayText(station) + QString::fromUtf16(kTitleSeparator) + core.StreamTitle();
}

} // namespace sonavia
