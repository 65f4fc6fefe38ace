#pragma once

#include "radio/RadioCore.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <chrono>
#include <optional>

namespace sonavia {

// The tray's sleep timer: after the chosen minutes the sound fades out over kFadeLength, ending
// as they end, and the station stops. The timer ends with its fade, and when the station is
// stopped any other way; it lives as long as the program's run, whatever the windows do.
class SleepTimer : public QObject {
    Q_OBJECT
public:
    // The choices of the tray menu, in minutes.
    static constexpr std::array<int, 4> kChoices{15, 30, 60, 90};
    static constexpr std::chrono::milliseconds kFadeLength{10000};
    // For tests only: the length of a minute in milliseconds.
    static constexpr char kMinuteVariable[] = "SONAVIA_TEST_MINUTE_MS";

    explicit SleepTimer(RadioCore& core, QObject* parent = nullptr);

    // Starts the timer anew for that many minutes; 0 ends it.
    void Set(int minutes);
    // The minutes chosen while the timer runs; 0 while it does not.
    int Minutes() const { return minutes_; }
    // Whole minutes left, rounded up, while it runs.
    std::optional<int> MinutesLeft() const;

signals:
    // Started, ended, or a minute less to go.
    void Changed();

private:
    using Clock = std::chrono::steady_clock;

    void Tick();
    void OnStateChanged();

    RadioCore& core_;
    const std::chrono::milliseconds minute_;
    int minutes_ = 0;
    Clock::time_point end_;
    bool fading_ = false;
    // Wakes at each minute left, for the tooltip, and when the fade is due.
    QTimer timer_;
    PlayState lastState_;
};

} // namespace sonavia
