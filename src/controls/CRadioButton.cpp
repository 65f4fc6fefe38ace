#include "controls/CRadioButton.h"

#include "controls/SquareButton.h"

#include <QPainter>

namespace sonavia {

CRadioButton::CRadioButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::clicked, this, &CRadioButton::Check);
}

void CRadioButton::Check() {
    checked_ = true;
    if (QWidget* owner = parentWidget()) {
        for (CRadioButton* other : owner->findChildren<CRadioButton*>(Qt::FindDirectChildrenOnly)) {
            if (other != this) {
                other->checked_ = false;
                other->update();
            }
        }
    }
    update();
}

void CRadioButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintSquareButton(painter, rect(), text(), checked_, palette().color(QPalette::WindowText));
}

} // namespace sonavia
