#include "controls/CCoolSlider.h"

#include "controls/Painting.h"

#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <QStyleOptionSlider>
#include <algorithm>

namespace sonavia {

namespace {

// The knob keeps this far inside the slider, so that no edge of it is cut off where the slider
// lies at a fraction of a device pixel (at a device pixel ratio of 1.25 or 1.5).
constexpr qreal kKnobMargin = 1.0;
constexpr qreal kKnobDiameter = 13.0;
constexpr qreal kRimWidth = 1.2;
constexpr qreal kDotRadius = 2.5;
// The graphite of the skin's round buttons.
const QColor kRim{34, 34, 34};
const QColor kBodyLight{112, 112, 112};
const QColor kBodyDark{46, 46, 46};
const QColor kShine{255, 255, 255, 80};

} // namespace

CCoolSlider::CCoolSlider(Qt::Orientation orientation, QWidget* parent, const SkinPalette& palette)
    : QSlider(orientation, parent), palette_(palette) {
    // The thumb changes colour when the cursor enters or leaves it.
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
}

void CCoolSlider::CaptureBackground(const QImage& skin, const QRect& rect) {
    backgroundRect_ = rect;
    // Shared, not copied: the skin does not change under a slider until the next capture.
    skin_ = skin;
    setFocus();
}

void CCoolSlider::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderTickmarks;
    // The skin draws the channel under a slider in background mode (the volume's track, the
    // hue's colours); the platform's channel would cover it, so only the tick marks are the
    // platform's there. A vertical slider keeps the platform's channel alone. The saved pixels
    // cover the saved rectangle's size and no more.
    if (drawMode_ == kDrawModeBackground && !skin_.isNull() && width() > height()) {
        PaintSavedSkin(painter);
        option.subControls = QStyle::SC_SliderTickmarks;
    }
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);

    const QRect thumb =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const bool hot = underMouse() || isSliderDown() || hasFocus();
    PaintThumb(painter, thumb, hot);
}

void CCoolSlider::PaintSavedSkin(QPainter& painter) const {
    painter.save();
    painter.setClipRect(QRect(QPoint(0, 0), backgroundRect_.size()), Qt::IntersectClip);
    // Black where the saved rectangle lies outside the skin.
    painter.fillRect(rect(), Qt::black);
    // The whole skin, offset by the rectangle's corner: on a screen of a fractional device pixel
    // ratio the slider's pixels then meet the window's own, however its position rounds.
    painter.drawImage(QPointF(-backgroundRect_.topLeft()), skin_);
    painter.restore();
}

void CCoolSlider::PaintThumb(QPainter& painter, const QRect& thumb, bool hot) const {
    // A round graphite knob, like the skin's round buttons, on the centre line of the channel,
    // with a dot that takes the panel colour while the thumb is hot.
    const qreal diameter = std::min({kKnobDiameter, qreal(thumb.width()), qreal(thumb.height()),
                                     qreal(height()) - 2 * kKnobMargin});
    const QRectF area =
        QRectF(rect()).adjusted(kKnobMargin, kKnobMargin, -kKnobMargin, -kKnobMargin);
    QPointF centre = orientation() == Qt::Horizontal
                         ? QPointF(thumb.left() + thumb.width() / 2.0, (height() - 1) / 2.0)
                         : QPointF((width() - 1) / 2.0, thumb.top() + thumb.height() / 2.0);
    const qreal radius = diameter / 2;
    centre.setX(std::clamp(centre.x(), area.left() + radius, area.right() - radius));
    centre.setY(std::clamp(centre.y(), area.top() + radius, area.bottom() - radius));
    const QRectF knob(centre - QPointF(radius, radius), QSizeF(diameter, diameter));

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setPen(Qt::NoPen);
    painter.setBrush(kRim);
    painter.drawEllipse(knob);
    QRadialGradient body(centre - QPointF(0, radius * 0.5), diameter * 0.7);
    body.setColorAt(0.0, kBodyLight);
    body.setColorAt(1.0, kBodyDark);
    painter.setBrush(body);
    painter.drawEllipse(knob.adjusted(kRimWidth, kRimWidth, -kRimWidth, -kRimWidth));
    painter.setBrush(kShine);
    painter.drawEllipse(
        QRectF(knob.left() + radius * 0.5, knob.top() + kRimWidth + 0.5, radius, radius * 0.6));
    painter.setBrush(hot ? palette_.panel : kLightGrey);
    painter.drawEllipse(centre, kDotRadius, kDotRadius);
    painter.restore();
}

void CCoolSlider::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        emit Released(value());
    }
}

} // namespace sonavia
