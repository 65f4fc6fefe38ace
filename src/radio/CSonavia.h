#pragma once

#include "localfiles/LocalFiles.h"
#include "player/PlayerEngine.h"
#include "radio/TrayIcon.h"

#include <QDialog>
#include <memory>

namespace sonavia {

class CStation;
class RadioServices;

// The radio base window: never shown, it does the start-up work, builds the radio's services
// (player, core, tray icon, media controls) and keeps the program running while no radio window
// is open. The radio window (CStation) is built on the same template and works with the same
// services, handed in.
class CSonavia : public QDialog {
    Q_OBJECT
public:
    explicit CSonavia(RadioServices& services, QWidget* parent = nullptr);
    ~CSonavia() override;

    // The base window's initialisation; runs once when the shell creates the window. `player`
    // replaces the GStreamer player (tests pass a fake); null creates the real one. Returns when
    // the radio window opened at its end has been closed.
    void Create(std::unique_ptr<PlayerEngine> player = nullptr);

    // Opens the radio window and returns when it has been closed; with one open already, brings
    // that one to the front instead.
    void OpenRadioWindow();
    // The radio window while it is open; none otherwise.
    CStation* OpenWindow() const { return openWindow_; }

    RadioServices& Services() { return services_; }
    const Settings& BaseSettings() const { return settings_; }

    // The tray's "Exit", and the end of the radio window's "Exit": ends the radio's requests,
    // removes the tray icon and raises the exit request.
    void ExitProgram();

private:
    void RaiseOpenWindow();
    void RunTrayCommand(TrayIcon::Command command);
    // The media controls' Quit: as the radio window's "Exit" where one is open, so that its
    // settings are kept.
    void QuitFromMediaControls();

    RadioServices& services_;
    Settings settings_;
    CStation* openWindow_ = nullptr;
};

} // namespace sonavia
