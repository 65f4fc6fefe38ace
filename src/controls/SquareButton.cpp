#include "controls/SquareButton.h"

#include <QPainter>

namespace sonavia {

namespace {

constexpr int kBoxSize = 12;
constexpr int kMarkInset = 3;
constexpr int kMarkSize = 6;
constexpr int kLabelGap = 5;
constexpr int kLabelOverhang = 5;
constexpr int kMaxLabelLength = 256;

} // namespace

void PaintSquareButton(QPainter& painter, const QRect& client, const QString& label, bool checked,
                       const QColor& textColour) {
    const QPoint corner = client.topLeft();
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Qt::black);
    painter.drawRect(QRect(corner, QSize(kBoxSize - 1, kBoxSize - 1)));

    if (!label.isEmpty()) {
        QRect labelRect = client;
        labelRect.setLeft(client.left() + corner.x() + kBoxSize + kLabelGap);
        labelRect.setRight(client.right() + kLabelOverhang);
        painter.setPen(textColour);
        painter.drawText(labelRect, Qt::AlignLeft | Qt::AlignTop, label.left(kMaxLabelLength));
    }

    painter.fillRect(QRect(corner + QPoint(kMarkInset, kMarkInset), QSize(kMarkSize, kMarkSize)),
                     checked ? QColor(Qt::black) : kMarkGrey);
    painter.restore();
}

} // namespace sonavia
