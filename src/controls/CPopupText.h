#pragma once

#include "controls/Painting.h"

#include <QString>
#include <QTimer>
#include <QWidget>

namespace sonavia {

// The tooltip window of a skin button: a borderless top-level window with a thin frame, a
// gradient background and one centred line of text, shown for a fixed time. It has no taskbar
// entry and never takes the activation.
class CPopupText : public QWidget {
    Q_OBJECT
public:
    // The tooltip timer's number, which the program uses as the timer's object name.
    static constexpr int kTooltipTimerId = 19846;
    static constexpr int kDefaultMargin = 4;
    static constexpr int kMinHeight = 15;
    static constexpr int kMaxHeight = 25;

    // The gradient runs to `palette`'s panel colour as it stands when the window is painted.
    explicit CPopupText(const SkinPalette& palette = DefaultPalette());

    // Horizontal margin left and right of the text; vertical margin above and below it, where 0
    // keeps the window's height.
    void SetMargins(int horizontal, int vertical);

    // Stores the text and resizes the window to it without moving it: the text's width plus both
    // horizontal margins; the text's height plus both vertical margins, or the current height
    // when the vertical margin is 0; the height clamped to 15..25.
    void SetText(const QString& text);
    const QString& Text() const { return text_; }

    // Shows the window without activating it for `milliseconds` (greater than 0), then hides it.
    void ShowTimed(int milliseconds);
    // Hides the window at once when it is shown.
    void Hide();
    bool Shown() const { return shown_; }

signals:
    // The shown time has passed and the window has hidden itself.
    void TimedOut();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void TimerFired();

    const SkinPalette& palette_;
    int horizontalMargin_ = kDefaultMargin;
    int verticalMargin_ = kDefaultMargin;
    bool shown_ = false;
    QString text_;
    QTimer timer_{this};
};

} // namespace sonavia
