#include "controls/CSkinButton.h"

#include "controls/CPopupText.h"
#include "controls/SkinShape.h"

#include <QMouseEvent>

namespace sonavia {

CSkinButton::CSkinButton(QWidget* parent, const SkinPalette& palette)
    : QPushButton(parent), palette_(palette) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    setFlat(true);
    // The button takes the focus whenever the cursor moves over it, pressed or not.
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
}

CSkinButton::~CSkinButton() = default;

void CSkinButton::SetSkinBitmap(const QImage& bitmap) {
    bitmap_ = bitmap;
    // In window pixels: a picture drawn finer than them keeps its size on the window.
    shape_ = WindowPixelShape(bitmap_);
    setGeometry(QRect(QPoint(0, 0), bitmap_.deviceIndependentSize().toSize()));
    ApplyShape();
    update();
}

void CSkinButton::ApplyShape() {
    // An empty region would clear the mask and make the whole rectangle clickable: an empty
    // shape lets every click through instead.
    if (shape_.isEmpty()) {
        clearMask();
        setAttribute(Qt::WA_TransparentForMouseEvents, true);
    } else {
        setAttribute(Qt::WA_TransparentForMouseEvents, false);
        setMask(shape_);
    }
}

void CSkinButton::MoveTo(int x, int y) {
    move(x, y);
    update();
}

void CSkinButton::SetTooltipText(const QString& text) {
    tooltipText_ = text;
    if (this->text().isEmpty()) {
        setAccessibleName(text);
    }
}

void CSkinButton::ShowTooltip() {
    if (tooltip_ && tooltip_->Shown()) {
        return;
    }
    if (!tooltip_) {
        tooltip_ = std::make_unique<CPopupText>(palette_);
        tooltip_->SetMargins(kTooltipMargin, 0);
        connect(tooltip_.get(), &CPopupText::TimedOut, this, &CSkinButton::TooltipTimedOut);
    }
    const QPoint topLeft = mapToGlobal(QPoint(0, 0));
    tooltip_->setGeometry(topLeft.x() + kTooltipOffset, topLeft.y() + height(), width(), height());
    tooltip_->SetText(tooltipText_);
    tooltipDelay_ = kTooltipDelay;
    tooltip_->ShowTimed(tooltipDelay_);
}

void CSkinButton::HideTooltip() {
    if (tooltip_) {
        tooltip_->Hide();
    }
}

void CSkinButton::paintEvent(QPaintEvent*) {}

void CSkinButton::mouseMoveEvent(QMouseEvent* event) {
    setFocus();
    QPushButton::mouseMoveEvent(event);
}

} // namespace sonavia
