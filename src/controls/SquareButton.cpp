#include "controls/SquareButton.h"

#include <QPainter>
#include <algorithm>

namespace sonavia {

namespace {

constexpr int kBoxSize = 12;
constexpr int kMarkInset = 3;
constexpr int kLabelGap = 5;
constexpr int kLabelOverhang = 5;
constexpr int kMaxLabelLength = 256;

} // namespace

void PaintSquareButton(QPainter& painter, const QRect& client, const QString& label, bool checked,
                       const QColor& textColour) {
    const QPoint corner = client.topLeft();
    // A control smaller than the box (the radio window's are 11 x 11) gets a box of its own
    // size: a frame outside the control would lose its right and bottom lines.
    const int box = std::min({kBoxSize, client.width(), client.height()});
    const int mark = box - 2 * kMarkInset;
    painter.save();
    painter.setBrush(Qt::NoBrush);
    painter.setPen(Qt::black);
    painter.drawRect(QRect(corner, QSize(box - 1, box - 1)));

    if (!label.isEmpty()) {
        QRect labelRect = client;
        labelRect.setLeft(client.left() + corner.x() + box + kLabelGap);
        labelRect.setRight(client.right() + kLabelOverhang);
        painter.setPen(textColour);
        painter.drawText(labelRect, Qt::AlignLeft | Qt::AlignTop, label.left(kMaxLabelLength));
    }

    painter.fillRect(QRect(corner + QPoint(kMarkInset, kMarkInset), QSize(mark, mark)),
                     checked ? QColor(Qt::black) : kMarkGrey);
    painter.restore();
}

} // namespace sonavia
