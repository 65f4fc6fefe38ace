#pragma once

#include "localfiles/InterfaceArchive.h"
#include "rules/ActivityIndicator.h"
#include "rules/LevelMeter.h"

#include <QImage>
#include <array>
#include <cstdint>

class QPainter;
class QWidget;

namespace sonavia {

class RadioCore;

// What the radio window's 50 ms timer animates: the level meter, the data activity box, the
// flashing download button and the film strip. Each tick repaints only the parts that changed.
class WindowAnimation {
public:
    // The film and the flashing move on every fourth tick.
    static constexpr int kTicksPerFrame = 4;
    static constexpr int kFilmFrames = 5; // film0 (at rest), then film1 to film4 in a loop

    // Shows what `core` plays.
    explicit WindowAnimation(const RadioCore& core);

    // The film frames (in the interface hue) and the download button's two faces (as stored),
    // drawn at `scale` (1, or 2 for dense screens).
    void LoadFrames(const InterfacePackDirectory& archive, int hue, int scale = 1);

    // Steps 1 and 2 of a tick: the level meter, then the data activity.
    void TickMeterAndActivity(QWidget& window, bool muteShown);
    // Steps 4 and 5 of a tick: the download button's flashing, then the film.
    void TickFlashAndFilm(QWidget& window);

    // After a random play from the window: the meter grey, the next activity step clears the
    // box, and the packets count starts again.
    void RestartActivity(QWidget& window);

    // Paints the animated parts over the background.
    void Paint(QPainter& painter) const;

    // The cursor is over "Random Channel": the film runs.
    void SetFilmHover(bool hover) { filmHover_ = hover; }
    bool FilmHover() const { return filmHover_; }

    bool MeterIdle() const { return meterIdle_; }
    // Whether a tick can change what it draws: the meter moving, the button flashing, the film
    // running or coming back to rest.
    bool Moving() const;
    // Where the level meter and the activity box are drawn in the window.
    static QRect MeterArea();
    static QRect ActivityArea();
    int FilmFrameShown() const { return filmShown_; }

private:
    void DrawActivityStep(QWidget& window);
    void SetMeter(QWidget& window, bool idle, const MeterLevels& levels);

    const RadioCore& core_;
    std::array<QImage, kFilmFrames> film_;
    std::array<QImage, 2> versionFaces_;

    bool meterIdle_ = true;
    MeterLevels levels_{};
    std::uint64_t packetsBaseline_ = 0;
    ActivityIndicator activity_;
    QImage activityBox_;

    bool filmHover_ = false;
    int filmTick_ = 0;
    int filmFrame_ = 0;
    int filmShown_ = 0;
    int flashTick_ = 0;
    int flashFrame_ = 0;
    // The face of the download button that flashing drew last; -1 before the first.
    int flashShown_ = -1;
};

} // namespace sonavia
