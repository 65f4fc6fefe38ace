#include "controls/CColorStatic.h"

#include <QPainter>
#include <utility>

namespace sonavia {

CColorStatic::CColorStatic(QWidget* parent, QColor colour)
    : QLabel(parent), colour_(std::move(colour)) {}

void CColorStatic::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    FillGradient(painter, rect(), colour_);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignHCenter | Qt::AlignTop, text());
}

} // namespace sonavia
