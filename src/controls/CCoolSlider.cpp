#include "controls/CCoolSlider.h"

#include "controls/Painting.h"

#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionSlider>

namespace sonavia {

namespace {

constexpr qreal kThumbCornerRadius = 1.0;
// The filled bar of the thumb leaves this much of the rounded frame visible above and below.
constexpr int kThumbBarInset = 2;

} // namespace

CCoolSlider::CCoolSlider(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {
    // The thumb changes colour when the cursor enters or leaves it.
    setAttribute(Qt::WA_Hover);
    setCursor(Qt::PointingHandCursor);
}

void CCoolSlider::CaptureBackground(const QImage& skin, const QRect& rect) {
    backgroundRect_ = rect;
    background_ = QImage(rect.size(), QImage::Format_RGB32);
    background_.fill(Qt::black);
    QPainter painter(&background_);
    painter.drawImage(QPoint(0, 0), skin, rect);
    painter.end();
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
    // are drawn where they lie, so a copy of another size than the slider never reads past its
    // end.
    if (drawMode_ == kDrawModeBackground && !background_.isNull() && width() > height()) {
        painter.drawImage(QPoint(0, 0), background_);
        option.subControls = QStyle::SC_SliderTickmarks;
    }
    style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);

    const QRect thumb =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    const bool hot = underMouse() || isSliderDown() || hasFocus();
    PaintThumb(painter, thumb, hot);
}

void CCoolSlider::PaintThumb(QPainter& painter, const QRect& thumb, bool hot) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setPen(Qt::black);
    painter.setBrush(kLightGrey);
    painter.drawRoundedRect(thumb.adjusted(0, 0, -1, -1), kThumbCornerRadius, kThumbCornerRadius);

    painter.setBrush(hot ? panelColour : kLightGrey);
    painter.drawRect(thumb.adjusted(0, kThumbBarInset, -1, -1 - kThumbBarInset));
    painter.restore();
}

void CCoolSlider::mouseReleaseEvent(QMouseEvent* event) {
    QSlider::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton) {
        emit Released(value());
    }
}

} // namespace sonavia
