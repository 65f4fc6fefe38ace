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
    // The frame's four sides are filled one pixel wide inside the box rather than stroked: a
    // stroke is centred on the box's edge, and where the control lies at a fraction of a device
    // pixel (at a screen scale of 1.25 or 1.5) its outer half, and with it the whole top and left
    // sides, would be cut off.
    const QRect frame(corner, QSize(box, box));
    for (const QRect& side :
         {QRect(frame.topLeft(), QSize(box, 1)), QRect(frame.bottomLeft(), QSize(box, 1)),
          QRect(frame.topLeft(), QSize(1, box)), QRect(frame.topRight(), QSize(1, box))}) {
        painter.fillRect(side, Qt::black);
    }

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
