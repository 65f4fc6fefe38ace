#include "radio/RadioPlayback.h"

#include "catalogue/CatalogueValues.h"
#include "catalogue/Fetch.h"
#include "components/PlayerEngine.h"
#include "localfiles/LocalFiles.h"
#include "radio/RadioState.h"
#include "rules/RandomRules.h"
#include "shell/CMessage.h"

namespace sonavia {

RadioPlayback::RadioPlayback(PlayerEngine& player, QObject* parent)
    : QObject(parent), player_(player) {
    connect(&player_, &PlayerEngine::Buffering, this, &RadioPlayback::OnBuffering);
    // A stream that dropped plays no sound until the player has it back.
    connect(&player_, &PlayerEngine::Dropped, this, [] { radio::streamPlaying = false; });
}

std::string RadioPlayback::FetchAddress(int index) {
    std::string address = FetchItemText(ItemKind::RadioStation, index + 1);
    if (address.empty()) {
        ShowMessage(QString::fromLatin1(kChannelInformationFailedText));
    }
    return address;
}

std::optional<int> RadioPlayback::StartupChoice(const std::string& name) const {
    const RadioCatalogue& catalogue = catalogue::radioCatalogue;
    if (name == kRandomStationName) {
        const auto picked = PickStartupStation(catalogue, ReadLocalClock());
        return picked ? std::optional<int>(static_cast<int>(*picked)) : std::nullopt;
    }
    if (const auto position = FindStation(catalogue, name)) {
        return static_cast<int>(*position);
    }
    // A remembered station that left the catalogue: its first station plays.
    if (catalogue.filled == 0) {
        return std::nullopt;
    }
    return 0;
}

void RadioPlayback::StartupPlay(const std::string& name) {
    if (name.empty()) {
        return;
    }
    const std::optional<int> choice = StartupChoice(name);
    if (!choice) {
        return;
    }
    const StationRecord& record =
        catalogue::radioCatalogue.records[static_cast<std::size_t>(*choice)];
    const std::string address = FetchAddress(record.index);
    player_.SetVolume(0);
    if (!address.empty() && player_.OpenAddress(address)) {
        radio::playing = true;
        raiseVolumeAfterBuffering_ = !windowOpen_;
    }
    radio::currentStationName = record.name;
}

void RadioPlayback::StopOrResume() {
    if (radio::playing) {
        if (player_.Stop()) {
            radio::playing = false;
        }
        return;
    }
    StartupPlay(radio::currentStationName);
}

void RadioPlayback::SetWindowOpen(bool open) {
    windowOpen_ = open;
    if (open) {
        raiseVolumeAfterBuffering_ = false;
    }
}

void RadioPlayback::OnBuffering(bool started) {
    if (started) {
        radio::streamPlaying = false;
    } else {
        radio::streamPlaying = true;
        radio::bufferingFinished = true;
        if (raiseVolumeAfterBuffering_ && !windowOpen_ && player_.SetVolume(radio::currentVolume)) {
            raiseVolumeAfterBuffering_ = false;
        }
    }
    emit BufferingChanged(started);
}

} // namespace sonavia
