#pragma once

// The real radio window, opened on whatever platform the application runs (the offscreen one for
// pictures and tests), with a player that plays no sound: the program's own start-up builds it,
// so what is grabbed is what a user sees.

#include "components/PlayerEngine.h"

#include <QImage>
#include <functional>

class QWidget;

namespace sonavia {

class CStation;

// Accepts every address and every volume, reports at once that buffering started and ended, and
// a packet more at every look, as a station that streams steadily would.
class StandInPlayer : public PlayerEngine {
    Q_OBJECT
public:
    using PlayerEngine::PlayerEngine;

    bool OpenStation(const std::string& address) override;
    bool OpenAddress(const std::string& address) override;
    bool Stop() override { return true; }
    bool SetVolume(int volume) override;
    bool SetMute(bool mute) override;
    std::uint64_t ReceivedPackets() const override { return ++packets_; }

    int Volume() const { return volume_; }
    bool Muted() const { return muted_; }

private:
    mutable std::uint64_t packets_ = 0;
    int volume_ = 0;
    bool muted_ = false;
};

// Runs the base window's start-up with a StandInPlayer (the application values, start-up folder
// and interface archive must be set as the program sets them) and calls `look` once the radio
// window is shown; the window is closed when `look` returns, and the call returns after it.
void WithRadioWindow(const std::function<void(CStation& window, StandInPlayer& player)>& look);

// The window as the screen shows it. grab() paints the whole rectangle, mask or not; here the
// pixels outside the window's shape are transparent.
QImage GrabShaped(QWidget& window);

// Runs the event loop for `ms` milliseconds, as the program's would run meanwhile.
void RunEventLoop(int ms);

} // namespace sonavia
