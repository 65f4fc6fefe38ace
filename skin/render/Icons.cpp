#include "Icons.h"

#include "Art.h"
#include "resources/Resources.h"

#include <QPainterPath>
#include <QRadialGradient>

namespace sonavia::skin {

namespace {

using resources::kTrayIconFrameCount;
using resources::kTrayIconSize;
constexpr int kWindowIconSize = 64;
constexpr int kCursorSize = 32;
constexpr QSize kTreeBitmapSize{resources::kTreeBitmapWidth, resources::kTreeBitmapHeight};
constexpr int kWaveCount = 3;

// The emblem: a round badge in the panel's colour with a radio mast; `waves` says how bright
// each of the mast's three waves is (0..255), inner first.
QImage Badge(int size, const std::array<int, kWaveCount>& waves) {
    QImage image = TransparentImage(QSize(size, size));
    QPainter painter(&image);
    PrepareAntialiased(painter);
    painter.scale(size / 32.0, size / 32.0);
    const QRectF badge(1, 1, 30, 30);
    QRadialGradient fill(badge.center() - QPointF(5, 7), 26);
    fill.setColorAt(0.0, PanelTone(110, 252));
    fill.setColorAt(1.0, PanelTone(220, 170));
    painter.setPen(QPen(PanelTone(220, 105), 1.2));
    painter.setBrush(fill);
    painter.drawEllipse(badge.adjusted(0.6, 0.6, -0.6, -0.6));
    const QPointF mast(16, 14.5);
    painter.setPen(QPen(Grey(255), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(mast, mast + QPointF(-5, 12));
    painter.drawLine(mast, mast + QPointF(5, 12));
    painter.drawLine(mast + QPointF(-2.5, 6), mast + QPointF(2.5, 6));
    painter.setBrush(Grey(255));
    painter.drawEllipse(mast, 2, 2);
    painter.setBrush(Qt::NoBrush);
    for (int i = 0; i < kWaveCount; ++i) {
        if (waves[i] == 0) {
            continue;
        }
        const double r = 5 + i * 3.6;
        painter.setPen(QPen(QColor(255, 255, 255, waves[i]), 1.8, Qt::SolidLine, Qt::RoundCap));
        const QRectF ring(mast - QPointF(r, r), QSizeF(2 * r, 2 * r));
        painter.drawArc(ring, 30 * 16, 120 * 16);
    }
    return image;
}

void OutlinedShape(QPainter& painter, const QPainterPath& shape) {
    painter.setPen(QPen(Grey(20), 1.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Grey(255));
    painter.drawPath(shape);
}

} // namespace

std::vector<QImage> TrayIconFrames(int scale) {
    // The waves run outwards, then fade: five frames shown one after another.
    const std::array<std::array<int, kWaveCount>, kTrayIconFrameCount> waves{{
        {0, 0, 0},
        {255, 0, 0},
        {255, 255, 0},
        {255, 255, 255},
        {110, 200, 255},
    }};
    std::vector<QImage> frames;
    for (const auto& frame : waves) {
        frames.push_back(Badge(kTrayIconSize * scale, frame));
    }
    return frames;
}

QImage WindowIcon(int scale) {
    return ApplicationIcon(kWindowIconSize * scale);
}

QImage ApplicationIcon(int size) {
    return Badge(size, {255, 255, 255});
}

QImage NormalCursor(int scale) {
    QImage image = TransparentImage(QSize(kCursorSize, kCursorSize), scale);
    QPainter painter(&image);
    PrepareAntialiased(painter);
    QPainterPath arrow;
    // The tip sits on the hot spot.
    const QPointF tip(resources::kCursorNormalHotX, resources::kCursorNormalHotY);
    arrow.moveTo(tip);
    arrow.lineTo(tip.x(), 19);
    arrow.lineTo(6, 14.8);
    arrow.lineTo(9.2, 21.5);
    arrow.lineTo(12, 20.2);
    arrow.lineTo(8.9, 13.7);
    arrow.lineTo(14.8, 13.7);
    arrow.closeSubpath();
    OutlinedShape(painter, arrow);
    // A touch of the panel's colour at the tip, so it belongs to the skin.
    painter.setPen(Qt::NoPen);
    painter.setBrush(PanelTone(190, 215));
    painter.drawPolygon(QPolygonF{QPointF(3, 5), QPointF(3, 10), QPointF(7, 9.3)});
    return image;
}

QImage PressedCursor(int scale) {
    // Four arrows: the window moves while the button is held on its background.
    QImage image = TransparentImage(QSize(kCursorSize, kCursorSize), scale);
    QPainter painter(&image);
    PrepareAntialiased(painter);
    QPainterPath cross;
    const QPointF c(resources::kCursorPressedHotX, resources::kCursorPressedHotY);
    const double arm = 11.5;
    const double head = 4.5;
    const double half = 1.6;
    for (int quarter = 0; quarter < 4; ++quarter) {
        QTransform turn;
        turn.translate(c.x(), c.y());
        turn.rotate(90.0 * quarter);
        QPolygonF arrow{
            QPointF(-half, 0),    QPointF(-half, -arm + head), QPointF(-head, -arm + head),
            QPointF(0, -arm - 1), QPointF(head, -arm + head),  QPointF(half, -arm + head),
            QPointF(half, 0)};
        cross.addPolygon(turn.map(arrow));
        cross.closeSubpath();
    }
    cross = cross.simplified();
    OutlinedShape(painter, cross);
    painter.setPen(Qt::NoPen);
    painter.setBrush(PanelTone(190, 215));
    painter.drawEllipse(c, 2.2, 2.2);
    return image;
}

QImage TreeBitmap(TreePicture picture, int scale) {
    // A station dot: blue as listed, lit and playing when selected, struck out in red when the
    // station could not be reached.
    QImage image = TransparentImage(kTreeBitmapSize, scale);
    QPainter painter(&image);
    PrepareAntialiased(painter);
    const QRectF dot(0.5, 1, 10, 10);
    switch (picture) {
    case TreePicture::Selected:
        painter.setPen(QPen(QColor(196, 96, 8), 1));
        painter.setBrush(QColor(250, 150, 40));
        painter.drawEllipse(dot);
        painter.setPen(Qt::NoPen);
        painter.setBrush(Grey(255));
        painter.drawPolygon(QPolygonF{QPointF(4, 3.5), QPointF(4, 8.5), QPointF(8.2, 6)});
        break;
    case TreePicture::Listed:
        painter.setPen(QPen(QColor(52, 118, 170), 1));
        painter.setBrush(QColor(204, 232, 250));
        painter.drawEllipse(dot);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(52, 118, 170));
        painter.drawEllipse(QPointF(5.5, 6), 1.8, 1.8);
        break;
    case TreePicture::Failed:
        painter.setPen(QPen(QColor(150, 28, 22), 1));
        painter.setBrush(QColor(214, 52, 40));
        painter.drawEllipse(dot);
        painter.setPen(QPen(Grey(255), 1.6, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(3.5, 4), QPointF(7.5, 8));
        painter.drawLine(QPointF(7.5, 4), QPointF(3.5, 8));
        break;
    }
    return image;
}

} // namespace sonavia::skin
