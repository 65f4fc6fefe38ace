#pragma once

#include "controls/Painting.h"

#include <QImage>
#include <QPushButton>
#include <QRegion>
#include <memory>

namespace sonavia {

class CPopupText;

// The image button of the skinned radio window. It paints nothing: inside its shape the window
// behind shows through. The shape and size come from a bitmap of the interface archive, and
// clicks outside the shape fall through to the window behind.
class CSkinButton : public QPushButton {
    Q_OBJECT
public:
    static constexpr int kTooltipDelay = 500;
    // The tooltip appears this far to the right of the button's left edge, below the button.
    static constexpr int kTooltipOffset = 24;
    static constexpr int kTooltipMargin = 4;

    // The tooltip paints with `palette`.
    explicit CSkinButton(QWidget* parent = nullptr, const SkinPalette& palette = DefaultPalette());
    ~CSkinButton() override;

    // Takes `bitmap` (a skin picture of the interface archive). The button takes the bitmap's
    // size at (0, 0) of its parent and the shape of its pixels that differ from the colour of
    // pixel (0, 0), both in window pixels (a picture of device pixel ratio 2 is half its pixel
    // size, and a window pixel is in the shape when any of its pixels is). A null bitmap (a
    // missing or undecodable entry) gives an empty button: no picture, size 0 x 0, an empty
    // shape; it cannot be clicked.
    void SetSkinBitmap(const QImage& bitmap);
    // Moves the top-left corner to (x, y) of the parent, keeping the size.
    void MoveTo(int x, int y);

    const QImage& Bitmap() const { return bitmap_; }
    const QRegion& Shape() const { return shape_; }

    // The tooltip's text; it names the button for screen readers too, where it has no caption.
    void SetTooltipText(const QString& text);
    // Shows the tooltip below the button for 500 ms; a tooltip that is shown already is neither
    // moved nor re-timed.
    void ShowTooltip();
    void HideTooltip();
    // The tooltip window; none before the first ShowTooltip.
    CPopupText* Tooltip() const { return tooltip_.get(); }
    int TooltipDelay() const { return tooltipDelay_; }

signals:
    // The tooltip's shown time has passed.
    void TooltipTimedOut();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    void ApplyShape();

    const SkinPalette& palette_;
    QImage bitmap_;
    QRegion shape_;
    QString tooltipText_;
    int tooltipDelay_ = 0;
    std::unique_ptr<CPopupText> tooltip_;
};

} // namespace sonavia
