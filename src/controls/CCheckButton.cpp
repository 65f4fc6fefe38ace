#include "controls/CCheckButton.h"

#include "controls/SquareButton.h"

#include <QPainter>

namespace sonavia {

CCheckButton::CCheckButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::clicked, this, [this] {
        Toggle();
        emit Toggled(checked_);
    });
}

void CCheckButton::Toggle() {
    checked_ = !checked_;
    update();
}

void CCheckButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintSquareButton(painter, rect(), text(), checked_, palette().color(QPalette::WindowText));
}

} // namespace sonavia
