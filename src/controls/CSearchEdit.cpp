#include "controls/CSearchEdit.h"

#include <QMouseEvent>

namespace sonavia {

CSearchEdit::CSearchEdit(QWidget* parent) : QLineEdit(parent) {}

void CSearchEdit::mousePressEvent(QMouseEvent* event) {
    const bool leftOrRight =
        event->button() == Qt::LeftButton || event->button() == Qt::RightButton;
    if (leftOrRight && text() == QLatin1String(kSearchHint)) {
        clear();
    }
    QLineEdit::mousePressEvent(event);
}

} // namespace sonavia
