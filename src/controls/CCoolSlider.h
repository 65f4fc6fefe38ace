#pragma once

#include "controls/Painting.h"

#include <QImage>
#include <QRect>
#include <QSlider>

namespace sonavia {

// The skinned slider: a thumb of its own (a round graphite knob like the skin's round buttons,
// whose light-grey dot takes the panel colour while the thumb is hot) and, in background mode,
// the skin pixels saved from behind the slider in place of the platform's channel: the skin draws
// the channel there. It reports the release of the left button, at which the radio window
// applies a new hue.
class CCoolSlider : public QSlider {
    Q_OBJECT
public:
    // The platform draws the channel alone.
    static constexpr int kDrawModePlatform = 1;
    // The saved background is painted as the channel (a horizontal slider with a saved copy).
    static constexpr int kDrawModeBackground = 4;

    // The hot thumb's dot takes `palette`'s panel colour as it stands when the thumb is painted.
    explicit CCoolSlider(Qt::Orientation orientation, QWidget* parent = nullptr,
                         const SkinPalette& palette = DefaultPalette());

    void SetDrawMode(int mode) { drawMode_ = mode; }
    int DrawMode() const { return drawMode_; }

    // Saves the pixels of `skin` under `rect` (the parent's client coordinates; the rectangle has
    // the slider's size), replacing any earlier copy, then takes the keyboard focus. Pixels
    // outside the skin are saved black. A skin of a device pixel ratio other than 1 keeps its
    // fineness: `rect` is in window pixels.
    void CaptureBackground(const QImage& skin, const QRect& rect);
    const QRect& BackgroundRect() const { return backgroundRect_; }

signals:
    // The left button was released over the slider, at the position it reports.
    void Released(int position);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void PaintSavedSkin(QPainter& painter) const;
    void PaintThumb(QPainter& painter, const QRect& thumb, bool hot) const;

    const SkinPalette& palette_;
    int drawMode_ = kDrawModePlatform;
    QImage skin_;
    QRect backgroundRect_;
};

} // namespace sonavia
