#pragma once

#include <QObject>
#include <optional>
#include <string>

namespace sonavia {

class PlayerEngine;

// The play operations that belong to no window: start-up play (at start-up, and from the tray's
// "Random Channel" and "Stop/Resume"), stop or resume, and the radio's reaction to the player's
// reports. They need no radio window; the radio window adds its own random play on top.
class RadioPlayback : public QObject {
    Q_OBJECT
public:
    explicit RadioPlayback(PlayerEngine& player, QObject* parent = nullptr);

    PlayerEngine& Player() { return player_; }

    // Plays the station of that name (the catalogue's first station when no station has it), or
    // a random offered station for "random"; an empty name does nothing. The volume goes to 0;
    // the radio window fades it in. channel.dat is not written.
    void StartupPlay(const std::string& name);
    // Closes the player when a station plays; otherwise plays the current station again.
    void StopOrResume();

    // The station's stream address from its address file. A failed request tells the user; an
    // empty result is never handed to the player.
    static std::string FetchAddress(int index);

    // Whether a radio window is open; without one, the sound of a station started from the tray
    // comes up once its buffering has ended, as no window is there to fade it in.
    void SetWindowOpen(bool open);

signals:
    // The player's buffering report, after the radio's flags have followed it.
    void BufferingChanged(bool started);

private:
    void OnBuffering(bool started);
    // The catalogue position that start-up play picks for `name`.
    std::optional<int> StartupChoice(const std::string& name) const;

    PlayerEngine& player_;
    bool windowOpen_ = false;
    bool raiseVolumeAfterBuffering_ = false;
};

} // namespace sonavia
