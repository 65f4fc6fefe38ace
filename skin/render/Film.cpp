#include "Art.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <array>

namespace sonavia::skin {

namespace {

// Symbols on the spinning reel of the "Random Channel" screen.
const std::array<QString, kFilmLoopFrames> kReelSymbols{
    QStringLiteral("\u266A"), QStringLiteral("\u2605"), QStringLiteral("\u266B"),
    QStringLiteral("\u2600")};
constexpr double kReelPitch = 26;

QColor Glow(int alpha = 255) {
    return PanelTone(118, 255, alpha);
}

void Screen(QPainter& painter, const QRectF& box) {
    painter.fillRect(box, Grey(16));
    QRadialGradient glow(box.center(), box.width() * 0.62);
    glow.setColorAt(0.0, PanelTone(210, 92));
    glow.setColorAt(1.0, PanelTone(210, 30));
    painter.fillRect(box.adjusted(1, 1, -1, -1), glow);
}

void ScanLines(QPainter& painter, const QRectF& box) {
    for (double y = box.top() + 1; y < box.bottom(); y += 3) {
        painter.fillRect(QRectF(box.left() + 1, y, box.width() - 2, 1), QColor(0, 0, 0, 38));
    }
    QLinearGradient sheen(box.topLeft(), box.bottomLeft());
    sheen.setColorAt(0.0, QColor(255, 255, 255, 46));
    sheen.setColorAt(0.45, QColor(255, 255, 255, 0));
    painter.fillRect(box.adjusted(1, 1, -1, -1), sheen);
}

// Two crossing arrows: "pick any".
void ShuffleSymbol(QPainter& painter, const QRectF& box) {
    const QPen pen(Glow(), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    painter.setBrush(Qt::NoBrush);
    const double l = box.left() + 9;
    const double r = box.right() - 11;
    const double t = box.top() + 14;
    const double b = box.bottom() - 14;
    QPainterPath down;
    down.moveTo(l, t);
    down.cubicTo(l + 12, t, r - 12, b, r, b);
    QPainterPath up;
    up.moveTo(l, b);
    up.cubicTo(l + 12, b, r - 12, t, r, t);
    painter.drawPath(down);
    painter.drawPath(up);
    for (const double y : {t, b}) {
        painter.drawPolyline(
            QPolygonF{QPointF(r - 3.5, y - 4), QPointF(r + 0.5, y), QPointF(r - 3.5, y + 4)});
    }
}

void Reel(QPainter& painter, const QRectF& box, int step) {
    painter.setFont(SkinFont(21, true));
    // Each frame stops the reel half-way into the next symbol, so the loop reads as motion.
    for (int i = -1; i <= 2; ++i) {
        const int symbol = ((step + i) % kFilmLoopFrames + kFilmLoopFrames) % kFilmLoopFrames;
        const double centre = box.center().y() + i * kReelPitch - kReelPitch * 0.18;
        const QRectF cell(box.left(), centre - kReelPitch / 2, box.width(), kReelPitch);
        painter.setPen(Glow(70));
        painter.drawText(cell.translated(0, -3), Qt::AlignCenter, kReelSymbols[symbol]);
        painter.setPen(Glow());
        painter.drawText(cell, Qt::AlignCenter, kReelSymbols[symbol]);
    }
    // The reel is a drum: it darkens towards the top and bottom edges.
    QLinearGradient drum(box.topLeft(), box.bottomLeft());
    drum.setColorAt(0.0, QColor(0, 0, 0, 230));
    drum.setColorAt(0.3, QColor(0, 0, 0, 0));
    drum.setColorAt(0.7, QColor(0, 0, 0, 0));
    drum.setColorAt(1.0, QColor(0, 0, 0, 230));
    painter.fillRect(box, drum);
    painter.setPen(QPen(Glow(150), 1));
    painter.drawLine(QPointF(box.left() + 3, box.center().y() + 0.5),
                     QPointF(box.left() + 7, box.center().y() + 0.5));
    painter.drawLine(QPointF(box.right() - 7, box.center().y() + 0.5),
                     QPointF(box.right() - 3, box.center().y() + 0.5));
}

} // namespace

QImage FilmFrame(int frame, int scale) {
    QImage image = TransparentImage(kFilmSize, scale);
    QPainter painter(&image);
    PrepareAntialiased(painter);
    const QRectF box(QPointF(0, 0), QSizeF(kFilmSize));
    Screen(painter, box);
    if (frame == 0) {
        ShuffleSymbol(painter, box);
    } else {
        Reel(painter, box, frame - 1);
    }
    ScanLines(painter, box);
    return image;
}

} // namespace sonavia::skin
