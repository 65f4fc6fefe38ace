#include "Art.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <cmath>

namespace sonavia::skin {

namespace {

const QColor kInk = Grey(42);
const QColor kSoftInk = Grey(70);

// The window's outline: a rounded body with a speaker lobe bulging out on the left and a dip in
// the top edge between the title and the display.
QPainterPath Outline() {
    QPainterPath path;
    path.moveTo(34, 4);
    path.lineTo(372, 4);
    path.cubicTo(390, 4, 392, 14, 410, 14);
    path.lineTo(540, 14);
    path.cubicTo(556, 14, 560, 4, 576, 4);
    path.lineTo(726, 4);
    path.quadTo(754, 4, 754, 32);
    path.lineTo(754, 260);
    path.quadTo(754, 286, 728, 286);
    path.lineTo(34, 286);
    path.quadTo(8, 286, 8, 260);
    path.lineTo(8, 246);
    path.cubicTo(8, 236, 2, 232, 2, 220);
    path.lineTo(2, 74);
    path.cubicTo(2, 62, 8, 58, 8, 48);
    path.lineTo(8, 30);
    path.quadTo(8, 4, 34, 4);
    path.closeSubpath();
    return path;
}

void Body(QPainter& painter, const QPainterPath& outline) {
    painter.fillPath(outline, QColor(kPanelColour));
    painter.save();
    painter.setClipPath(outline);
    QLinearGradient top(0, 4, 0, 30);
    top.setColorAt(0.0, QColor(255, 255, 255, 80));
    top.setColorAt(1.0, QColor(255, 255, 255, 0));
    painter.fillRect(QRectF(0, 0, kWindowSize.width(), 30), top);
    QLinearGradient bottom(0, 258, 0, 286);
    bottom.setColorAt(0.0, PanelTone(230, 60, 0));
    bottom.setColorAt(1.0, PanelTone(230, 60, 70));
    painter.fillRect(QRectF(0, 258, kWindowSize.width(), 32), bottom);
    // A light bevel inside a dark rim.
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 120), 8));
    painter.drawPath(outline);
    painter.setPen(QPen(PanelTone(205, 112), 4));
    painter.drawPath(outline);
    painter.restore();
}

// A recessed area around a control: darker inside, lit along its lower edge.
void Well(QPainter& painter, const QRectF& area, double radius) {
    QPainterPath well;
    well.addRoundedRect(area, radius, radius);
    painter.fillPath(well.translated(0, 1), QColor(255, 255, 255, 150));
    QLinearGradient shade(area.topLeft(), area.bottomLeft());
    shade.setColorAt(0.0, PanelTone(200, 138));
    shade.setColorAt(0.25, PanelTone(165, 178));
    shade.setColorAt(1.0, PanelTone(150, 196));
    painter.fillPath(well, shade);
}

void ControlField(QPainter& painter, const QRect& control) {
    painter.fillRect(control, Grey(252));
}

void Label(QPainter& painter, const QRectF& box, const QString& text, double size, int flags,
           const QColor& colour = kInk, bool bold = false) {
    painter.setFont(FittedFont(text, size, box.width(), bold, true));
    painter.setPen(colour);
    painter.drawText(box, flags, text);
}

void Title(QPainter& painter) {
    const QFont title = SkinFont(21, true);
    painter.setFont(title);
    const QRectF box(84, 6, 300, 28);
    const QString name = QStringLiteral("Sonavia");
    painter.setPen(QColor(255, 255, 255, 140));
    painter.drawText(box.translated(0, 1), Qt::AlignLeft | Qt::AlignVCenter, name);
    painter.setPen(Grey(36));
    QRectF used;
    painter.drawText(box, Qt::AlignLeft | Qt::AlignVCenter, name, &used);
    const QRectF rest(used.right() + 5, box.top(), 200, box.height());
    painter.setFont(SkinFont(21, false));
    painter.setPen(QColor(255, 255, 255, 140));
    painter.drawText(rest.translated(0, 1), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("Plus"));
    painter.setPen(PanelTone(225, 150));
    painter.drawText(rest, Qt::AlignLeft | Qt::AlignVCenter, QStringLiteral("Plus"));
    QFont tagline = SkinFont(8, true);
    tagline.setLetterSpacing(QFont::AbsoluteSpacing, 1.6);
    painter.setFont(tagline);
    painter.setPen(kSoftInk);
    painter.drawText(QRectF(262, 13, 124, 16), Qt::AlignRight | Qt::AlignVCenter,
                     QStringLiteral("INTERNET RADIO"));
}

// Speaker grilles: a perforated plate on the left, slots on the right.
void LeftGrille(QPainter& painter) {
    const QRectF plate(14, 64, 60, 172);
    Well(painter, plate, 14);
    painter.save();
    QPainterPath clip;
    clip.addRoundedRect(plate.adjusted(3, 3, -3, -3), 11, 11);
    painter.setClipPath(clip);
    painter.setPen(Qt::NoPen);
    for (int row = 0; row < 24; ++row) {
        const double y = plate.top() + 8 + row * 6.9;
        const double shift = (row % 2) * 3.5;
        for (double x = plate.left() + 8 + shift; x < plate.right() - 5; x += 7) {
            painter.setBrush(QColor(255, 255, 255, 120));
            painter.drawEllipse(QPointF(x, y + 0.9), 1.6, 1.6);
            painter.setBrush(PanelTone(225, 78));
            painter.drawEllipse(QPointF(x, y), 1.6, 1.6);
        }
    }
    painter.restore();
}

void RightGrille(QPainter& painter) {
    for (int i = 0; i < 8; ++i) {
        const QRectF slot(598, 189 + i * 6.5, 142, 2.6);
        QPainterPath path;
        path.addRoundedRect(slot, 1.3, 1.3);
        painter.fillPath(path.translated(0, 1), QColor(255, 255, 255, 150));
        painter.fillPath(path, PanelTone(185, 150));
    }
}

// The round emblem beside the title, the same picture as the window and tray icons.
void Emblem(QPainter& painter) {
    const QRectF badge(20, 10, 40, 40);
    QRadialGradient fill(badge.center() - QPointF(6, 8), 30);
    fill.setColorAt(0.0, PanelTone(120, 250));
    fill.setColorAt(1.0, PanelTone(215, 165));
    painter.setPen(QPen(PanelTone(215, 112), 1.5));
    painter.setBrush(fill);
    painter.drawEllipse(badge.adjusted(0.75, 0.75, -0.75, -0.75));
    const QPointF mast = badge.center() + QPointF(0, -2);
    painter.setPen(QPen(Grey(255), 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.drawLine(mast, mast + QPointF(-6, 14));
    painter.drawLine(mast, mast + QPointF(6, 14));
    painter.drawLine(mast + QPointF(-3, 7), mast + QPointF(3, 7));
    painter.setBrush(Grey(255));
    painter.drawEllipse(mast, 2.2, 2.2);
    painter.setBrush(Qt::NoBrush);
    for (int i = 1; i <= 2; ++i) {
        const double r = 4.5 + i * 4.5;
        const QRectF ring(mast - QPointF(r, r), QSizeF(2 * r, 2 * r));
        painter.drawArc(ring, 35 * 16, 110 * 16);
    }
}

// The dark glass of the display: the tuner on top (its heading with the lamp, the line of what
// plays, the scale), the activity box and level meter below.
void Display(QPainter& painter, bool lampLit) {
    const auto glass = [&painter](const QRectF& box) {
        QPainterPath path;
        path.addRoundedRect(box, 8, 8);
        painter.fillPath(path.translated(0, 1), QColor(255, 255, 255, 150));
        painter.fillPath(path, Grey(30));
        QLinearGradient inside(box.topLeft(), box.bottomLeft());
        inside.setColorAt(0.0, Grey(34));
        inside.setColorAt(1.0, Grey(14));
        QPainterPath inner;
        inner.addRoundedRect(box.adjusted(2, 2, -2, -2), 6, 6);
        painter.fillPath(inner, inside);
    };

    const QRectF tuner(398, 22, 158, 62);
    glass(tuner);
    QFont small = SkinFont(7.5, true);
    small.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    painter.setFont(small);
    painter.setPen(Grey(150));
    painter.drawText(QRectF(408, 28, 140, 11), Qt::AlignLeft | Qt::AlignVCenter,
                     QStringLiteral("TUNER"));
    const QRectF lampText(408, 28, 138, 11);
    const QString lamp = QStringLiteral("\u25CF ON AIR");
    if (lampLit) {
        // The lit lamp glows around its dot, the text's first letter.
        const QRectF shown =
            painter.boundingRect(lampText, Qt::AlignRight | Qt::AlignVCenter, lamp);
        const double dotHalf = QFontMetricsF(small).horizontalAdvance(lamp.left(1)) / 2;
        const QPointF dot(shown.left() + dotHalf, shown.center().y());
        const double glowRadius = 6;
        QRadialGradient glow(dot, glowRadius);
        glow.setColorAt(0.0, PanelTone(200, 255, 150));
        glow.setColorAt(1.0, PanelTone(200, 255, 0));
        painter.setPen(Qt::NoPen);
        painter.setBrush(glow);
        painter.drawEllipse(dot, glowRadius, glowRadius);
        painter.setPen(QColor(kTunerLight));
    } else {
        painter.setPen(PanelTone(60, 85));
    }
    painter.drawText(lampText, Qt::AlignRight | Qt::AlignVCenter, lamp);
    const double left = 410;
    const double right = 544;
    // The scale's line, with its ticks above it and its numbers below.
    const double base = 64;
    painter.setFont(SkinFont(7.5));
    for (int i = 0; i <= 40; ++i) {
        const double x = left + (right - left) * i / 40.0;
        const bool major = i % 8 == 0;
        painter.setPen(QPen(Grey(major ? 200 : 110), 1));
        painter.drawLine(QPointF(x + 0.5, base), QPointF(x + 0.5, base - (major ? 8 : 4)));
        if (major) {
            painter.setPen(Grey(170));
            painter.drawText(QRectF(x - 12, base + 2, 24, 10), Qt::AlignCenter,
                             QString::number(88 + i / 2));
        }
    }
    painter.setPen(QPen(Grey(80), 1));
    painter.drawLine(QPointF(left, base + 0.5), QPointF(right + 1, base + 0.5));
    // The needle glows in the panel's colour.
    const double needle = left + (right - left) * 0.7;
    painter.fillRect(QRectF(needle - 3, base - 10, 7, 24), PanelTone(200, 255, 50));
    painter.fillRect(QRectF(needle - 0.5, base - 10, 2, 24), PanelTone(110, 255));

    const QRectF meter(412, 89, 170, 58);
    glass(meter);
    painter.fillRect(kActivityBox.adjusted(-1, -1, 1, 1), Grey(8));
    painter.fillRect(kActivityBox, Grey(40));
    for (int bar = 0; bar < kLevelBarCount; ++bar) {
        const QRect slot(kLevelMeter.left() + bar * kLevelBarPitch, kLevelMeter.top(),
                         kLevelBarWidth, kLevelMeter.height());
        painter.fillRect(slot, Grey(40));
    }
}

// The sliders paint no channel of their own over the skin: this track is their channel, running
// under the whole travel of the thumb.
void SliderTrack(QPainter& painter, const QRect& slider, bool rainbow) {
    const double y = slider.center().y() - 2.5;
    const QRectF groove(slider.left() + 6, y, slider.width() - 12, 5);
    QPainterPath path;
    path.addRoundedRect(groove, 2.5, 2.5);
    painter.fillPath(path.translated(0, 1), QColor(255, 255, 255, 160));
    if (rainbow) {
        // Starts at the panel's own hue, so it turns with the skin.
        QLinearGradient colours(groove.topLeft(), groove.topRight());
        const int panelHue = QColor(kPanelColour).hsvHue();
        for (int step = 0; step <= 12; ++step) {
            colours.setColorAt(step / 12.0,
                               QColor::fromHsv((panelHue + step * 30) % 360, 170, 225));
        }
        painter.fillPath(path, colours);
        painter.setPen(QPen(Grey(60, 110), 1));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        return;
    }
    painter.fillPath(path, PanelTone(200, 130));
    // A faint ramp behind the groove: louder to the right.
    QPolygonF ramp{QPointF(groove.left(), groove.bottom() + 9),
                   QPointF(groove.right(), groove.bottom() + 9),
                   QPointF(groove.right(), groove.bottom() + 3)};
    painter.setPen(Qt::NoPen);
    painter.setBrush(PanelTone(170, 180, 150));
    painter.drawPolygon(ramp);
}

// The field of a check box is its control's square: the control frames it along its edges.
void BoxField(QPainter& painter, const QRect& box) {
    painter.fillRect(box.translated(0, 1), QColor(255, 255, 255, 150));
    painter.fillRect(box, Grey(252));
}

void Labels(QPainter& painter) {
    const int vcentre = Qt::AlignVCenter | Qt::AlignLeft;
    Label(painter, QRectF(kKeepChannelBox.right() + 7, 176, 122, 18),
          QStringLiteral("Keep selected Channel"), 11, vcentre);
    Label(painter, QRectF(kRandomStartBox.right() + 7, 176, 146, 18),
          QStringLiteral("Random Selection every start"), 11, vcentre);
    Label(painter, QRectF(kMuteBox.right() + 7, 207, 44, 18), QStringLiteral("Mute"), 11, vcentre);
    Label(painter, QRectF(82, 205, 40, 18), QStringLiteral("Volume"), 11, vcentre, kInk, true);
    Label(painter, QRectF(kHueSlider.left() + 6, 191, 100, 16), QStringLiteral("Skin colour"), 11,
          vcentre, kInk, true);
    Label(painter, QRectF(78, 252, 98, 20), QStringLiteral("Search the web"), 11,
          Qt::AlignVCenter | Qt::AlignRight, kInk, true);
    Label(painter, QRectF(418, 252, 76, 20), QStringLiteral("Shopping"), 11,
          Qt::AlignVCenter | Qt::AlignRight, kInk, true);
    // Captions under the small buttons of the top right.
    const auto caption = [&painter](Button button, const QString& text) {
        for (const ButtonPlace& place : kButtons) {
            if (place.button == button) {
                const QRectF box(place.position.x() - 8, 57, place.size.width() + 16, 12);
                Label(painter, box, text, 9, Qt::AlignCenter, kSoftInk, true);
            }
        }
    };
    caption(Button::Download, QStringLiteral("Update"));
    caption(Button::Hide, QStringLiteral("Hide"));
    caption(Button::Exit, QStringLiteral("Exit"));
}

} // namespace

QImage Background(int scale, bool lampLit) {
    QImage art = TransparentImage(kWindowSize, scale);
    QPainter painter(&art);
    PrepareAntialiased(painter);
    const QPainterPath outline = Outline();
    Body(painter, outline);
    Emblem(painter);
    Title(painter);
    LeftGrille(painter);
    RightGrille(painter);

    Well(painter,
         QRectF(kCountryList.topLeft(), kStationTree.bottomRight() + QPoint(1, 1))
             .adjusted(-4, -4, 4, 4),
         7);
    ControlField(painter, kCountryList);
    ControlField(painter, kStationTree);
    Well(painter, QRectF(kSearchBox).adjusted(-4, -4, 4, 4), 7);
    ControlField(painter, kSearchBox);
    Well(painter, QRectF(kShoppingList).adjusted(-4, -4, 4, 4), 7);
    ControlField(painter, kShoppingList);
    BoxField(painter, kKeepChannelBox);
    BoxField(painter, kRandomStartBox);
    BoxField(painter, kMuteBox);
    SliderTrack(painter, kVolumeSlider, false);
    SliderTrack(painter, kHueSlider, true);

    Display(painter, lampLit);
    Labels(painter);
    for (const ButtonPlace& place : kButtons) {
        if (place.shown) {
            PaintButtonFace(painter, place.button, place.position);
        }
    }
    painter.drawImage(kFilmPosition, FilmFrame(0, scale));
    painter.end();
    return ToKeyedPixels(art, kKeyColour);
}

} // namespace sonavia::skin
