#pragma once

#include "controls/Painting.h"
#include "player/PlayerEngine.h"
#include "shell/StartupContext.h"

#include <QObject>
#include <memory>

namespace sonavia {

class CMediaPlayer;
class MprisService;
class RadioCore;
class RadioRecording;
class SearchProviders;
class SleepTimer;
class StreamRecorder;
class TrayIcon;

// What the radio base window sets up at start-up and every radio window works with, for the
// whole run: the player, the radio's core, the tray icon, the desktop's media controls and search
// providers, the skin palette, and the start-up context they were made from. The base window builds
// them (Start) in the order of its initialisation and hands this object to the radio windows;
// nothing here knows a window.
class RadioServices : public QObject {
    Q_OBJECT
public:
    explicit RadioServices(StartupContext context, QObject* parent = nullptr);
    ~RadioServices() override;
    RadioServices(const RadioServices&) = delete;
    RadioServices& operator=(const RadioServices&) = delete;

    // Steps 2 and 3 of the base window's initialisation, in this order: the tray icon, the
    // player (`player` replaces the GStreamer player; tests pass a fake; null makes the real
    // one) with the core, which starts loading the catalogue meanwhile, the media controls, the
    // desktop's search, and the icon shown in the tray. Without GStreamer's player the program
    // cannot play at all: the quit request is posted, nothing more is made, and false is returned.
    bool Start(std::unique_ptr<PlayerEngine> player);

    const StartupContext& Context() const { return context_; }
    // The radio window samples the panel colour from its skin; the palette lasts the whole run.
    SkinPalette& Palette() { return palette_; }
    const SkinPalette& Palette() const { return palette_; }

    // Available once Start has returned true.
    RadioCore& Core() { return *core_; }
    PlayerEngine& Player() { return *player_; }
    TrayIcon& Tray() { return *tray_; }
    MprisService& MediaControls() { return *mediaControls_; }
    SleepTimer& Sleep() { return *sleep_; }
    SearchProviders& DesktopSearch() { return *desktopSearch_; }

    // Every Exit: ends the radio's requests, removes the tray icon and raises the exit request.
    void ExitProgram();

private:
    void ShowState();
    // The tray menu's sleep timer and recording; `real` is the GStreamer player, if it is the one.
    void StartTrayTools(CMediaPlayer* real);

    const StartupContext context_;
    SkinPalette palette_;
    std::unique_ptr<PlayerEngine> player_;
    std::unique_ptr<StreamRecorder> recorder_;
    std::unique_ptr<RadioCore> core_;
    std::unique_ptr<SleepTimer> sleep_;
    std::unique_ptr<RadioRecording> recording_;
    std::unique_ptr<MprisService> mediaControls_;
    std::unique_ptr<SearchProviders> desktopSearch_;
    std::unique_ptr<TrayIcon> tray_;
};

} // namespace sonavia
