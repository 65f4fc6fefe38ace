#include "controls/CColorStatic.h"

#include "controls/Painting.h"

#include <QPainter>

namespace sonavia {

CColorStatic::CColorStatic(QWidget* parent) : QLabel(parent) {}

void CColorStatic::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    FillGradient(painter, rect(), themeColour);
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::WindowText));
    painter.drawText(rect(), Qt::AlignHCenter | Qt::AlignTop, text());
}

} // namespace sonavia
