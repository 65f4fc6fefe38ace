#pragma once

#include "localfiles/InterfaceArchive.h"

#include <QColor>
#include <QFont>
#include <QImage>
#include <QString>

class QPainter;
class QWidget;

namespace sonavia {

class RadioCore;
class StatusArea;

// The tuner of the radio window: a line that tells what plays (the station, the stream's title,
// or that the station cannot be reached; nothing while stopped), scrolled slowly when it is
// longer than the glass, and the "ON AIR" lamp, lit while a stream plays, blinking while a
// station connects and dim otherwise. Screen readers find the line as a status area that changes
// with the text, never with the scroll. Each tick repaints only what moved.
class TunerDisplay {
public:
    // Ticks of the window's 50 ms timer: the lamp blinks once a second; a long line rests for
    // two seconds at its start, then moves a pixel a tick.
    static constexpr int kBlinkTicks = 10;
    static constexpr int kScrollRestTicks = 40;
    // Pixels between the end of a scrolled line and its start coming round again, and of the
    // fade at each end of the glass.
    static constexpr int kScrollGap = 40;
    static constexpr int kFadeWidth = 8;

    TunerDisplay(const RadioCore& core, QWidget& window);

    // The dim lamp and the line's colour in the interface hue, at `scale` (1, or 2 for dense
    // screens).
    void LoadSkin(const InterfacePackDirectory& archive, int hue, int scale);
    // The radio's state changed: the line and the lamp follow it.
    void Show();
    // One tick of the window's timer: the lamp's blinking and the line's scroll.
    void Tick();
    // Whether a tick can change it: the lamp blinking, the line scrolling.
    bool Moving() const;
    // Paints the line and, unless it is lit, the dim lamp over the background.
    void Paint(QPainter& painter) const;

private:
    bool Scrolls() const;
    // The text from the left of `area`, and for a scrolled line its start again behind its end.
    void PaintText(QPainter& painter, const QRect& area) const;
    // Draws the line as it stands into line_, at `ratio` device pixels a window pixel.
    void DrawLine(qreal ratio) const;
    // Whether the lamp is lit at this moment of the state.
    bool LampLitNow() const;
    void SetLamp(bool lit);

    const RadioCore& core_;
    QWidget& window_;
    StatusArea* status_;
    QImage dimLamp_;
    QColor colour_;
    QFont font_;

    QString text_;
    int textWidth_ = 0;
    // How far the line has moved to the left, and the ticks it still rests before it moves.
    int offset_ = 0;
    int rest_ = kScrollRestTicks;
    bool lampLit_ = true;
    int blinkTick_ = 0;
    // The text drawn once (strip_), the line as last painted from it (line_) and the scroll it
    // was painted at; null when they must be drawn again.
    mutable QImage strip_;
    mutable QImage line_;
    mutable int lineOffset_ = 0;
};

} // namespace sonavia
