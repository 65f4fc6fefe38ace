#include "Art.h"

#include <QLinearGradient>
#include <QPainterPath>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>
#include <numbers>

namespace sonavia::skin {

namespace {

const QColor kIconWhite = Grey(255);
const QColor kGraphiteIcon = Grey(228);

QRectF Place(QPointF origin, QSize size) {
    return QRectF(origin, QSizeF(size));
}

const ButtonPlace& PlaceOf(Button button) {
    return *std::find_if(kButtons.begin(), kButtons.end(),
                         [button](const ButtonPlace& place) { return place.button == button; });
}

QSize SizeOf(Button button) {
    return PlaceOf(button).size;
}

QPen RoundPen(const QColor& colour, double width) {
    return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

// A glossy button in the panel's hue: the links, "Go" and the browser toggle.
void GlossyBody(QPainter& painter, const QPainterPath& body, const QRectF& box) {
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0.0, PanelTone(150, 226));
    fill.setColorAt(1.0, PanelTone(205, 168));
    painter.fillPath(body, fill);

    QPainterPath gloss;
    gloss.addRoundedRect(box.adjusted(2, 1.5, -2, -box.height() * 0.5),
                         std::min(box.height() * 0.5, 10.0) - 2,
                         std::min(box.height() * 0.5, 10.0) - 2);
    QLinearGradient shine(box.topLeft(), QPointF(box.left(), box.center().y()));
    shine.setColorAt(0.0, QColor(255, 255, 255, 110));
    shine.setColorAt(1.0, QColor(255, 255, 255, 18));
    painter.fillPath(gloss.intersected(body), shine);

    painter.setPen(QPen(PanelTone(215, 118), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(body);
}

void ShadowedText(QPainter& painter, const QRectF& box, const QString& text, const QFont& font,
                  int flags) {
    painter.setFont(font);
    painter.setPen(PanelTone(230, 90, 150));
    painter.drawText(box.translated(0, 1), flags, text);
    painter.setPen(kIconWhite);
    painter.drawText(box, flags, text);
}

void CartIcon(QPainter& painter, QRectF box) {
    painter.setPen(RoundPen(kIconWhite, 1.4));
    painter.setBrush(Qt::NoBrush);
    const QPointF o = box.topLeft();
    painter.drawPolyline(QPolygonF{o + QPointF(0, 1.5), o + QPointF(2.5, 1.5),
                                   o + QPointF(4.5, 8.5), o + QPointF(11, 8.5),
                                   o + QPointF(12.5, 3.5), o + QPointF(3.4, 3.5)});
    painter.setBrush(kIconWhite);
    painter.setPen(Qt::NoPen);
    painter.drawEllipse(o + QPointF(5.2, 11), 1.3, 1.3);
    painter.drawEllipse(o + QPointF(10.2, 11), 1.3, 1.3);
}

void HelpIcon(QPainter& painter, QRectF box) {
    painter.setPen(RoundPen(kIconWhite, 1.3));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(box.adjusted(0.5, 0.5, -0.5, -0.5));
    painter.setFont(SkinFont(9.5, true));
    painter.drawText(box.translated(0, 0.5), Qt::AlignCenter, QStringLiteral("?"));
}

void GlobeIcon(QPainter& painter, QRectF box) {
    painter.setPen(RoundPen(kIconWhite, 1.2));
    painter.setBrush(Qt::NoBrush);
    const QRectF r = box.adjusted(0.5, 0.5, -0.5, -0.5);
    painter.drawEllipse(r);
    painter.drawEllipse(r.adjusted(r.width() * 0.28, 0, -r.width() * 0.28, 0));
    painter.drawLine(QPointF(r.left(), r.center().y()), QPointF(r.right(), r.center().y()));
    painter.drawLine(QPointF(r.center().x(), r.top()), QPointF(r.center().x(), r.bottom()));
}

void TvIcon(QPainter& painter, QRectF box) {
    painter.setPen(RoundPen(kIconWhite, 1.3));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(QRectF(box.left(), box.top() + 1.5, box.width(), box.height() - 4.5),
                            1.8, 1.8);
    painter.drawLine(QPointF(box.center().x() - 3, box.bottom() - 0.5),
                     QPointF(box.center().x() + 3, box.bottom() - 0.5));
    painter.drawLine(QPointF(box.center().x() - 2.5, box.top()),
                     QPointF(box.center().x(), box.top() + 1.5));
    painter.drawLine(QPointF(box.center().x() + 2.5, box.top()),
                     QPointF(box.center().x(), box.top() + 1.5));
}

void StarIcon(QPainter& painter, QRectF box) {
    QPolygonF star;
    const QPointF c = box.center();
    for (int i = 0; i < 10; ++i) {
        const double radius = (i % 2 == 0) ? box.width() * 0.52 : box.width() * 0.22;
        const double angle = -std::numbers::pi / 2 + i * std::numbers::pi / 5;
        star << c + QPointF(radius * std::cos(angle), radius * std::sin(angle) + 0.5);
    }
    painter.setPen(Qt::NoPen);
    painter.setBrush(kIconWhite);
    painter.drawPolygon(star);
}

void EnvelopeIcon(QPainter& painter, QRectF box) {
    painter.setPen(RoundPen(kIconWhite, 1.2));
    painter.setBrush(Qt::NoBrush);
    const QRectF r(box.left(), box.top() + 2, box.width(), box.height() - 4);
    painter.drawRect(r);
    painter.drawPolyline(
        QPolygonF{r.topLeft(), QPointF(r.center().x(), r.center().y() + 1), r.topRight()});
}

using IconPainter = void (*)(QPainter&, QRectF);

void LinkFace(QPainter& painter, QRectF box, const QString& caption, IconPainter icon) {
    QPainterPath body;
    body.addRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), box.height() / 2 - 0.5,
                        box.height() / 2 - 0.5);
    GlossyBody(painter, body, box);
    const QRectF iconBox(box.left() + 9, box.center().y() - 6.5, 13, 13);
    icon(painter, iconBox);
    const QRectF textBox = box.adjusted(27, 0, -8, 0);
    ShadowedText(painter, textBox, caption, FittedFont(caption, 11, textBox.width(), true, false),
                 Qt::AlignVCenter | Qt::AlignLeft);
}

void GoFace(QPainter& painter, QRectF box) {
    QPainterPath body;
    body.addEllipse(box.adjusted(0.5, 0.5, -0.5, -0.5));
    GlossyBody(painter, body, box);
    ShadowedText(painter, box.translated(0, -0.5), QStringLiteral("Go"), SkinFont(13, true),
                 Qt::AlignCenter);
}

void BrowserToggleFace(QPainter& painter, QRectF box) {
    QPainterPath body;
    body.addRoundedRect(box.adjusted(0.5, 0.5, -0.5, -0.5), 9, 9);
    GlossyBody(painter, body, box);
    // A small browser window with arrows up and down: the pane opens and closes below.
    const QRectF window(box.left() + 7, box.top() + 8, 15, 14);
    painter.setPen(RoundPen(kIconWhite, 1.3));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(window, 2, 2);
    painter.drawLine(QPointF(window.left(), window.top() + 4),
                     QPointF(window.right(), window.top() + 4));
    const double x = box.left() + 30;
    painter.drawPolyline(QPolygonF{QPointF(x - 3.5, box.top() + 12), QPointF(x, box.top() + 8.5),
                                   QPointF(x + 3.5, box.top() + 12)});
    painter.drawPolyline(QPolygonF{QPointF(x - 3.5, box.top() + 18), QPointF(x, box.top() + 21.5),
                                   QPointF(x + 3.5, box.top() + 18)});
}

// The round "hardware" buttons of the top right: neutral graphite, so they look the same at every
// hue; `light` and `dark` colour the body from its lit top to its shaded rim.
void RoundBody(QPainter& painter, QRectF box, const QColor& light, const QColor& dark) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Grey(34));
    painter.drawEllipse(box);
    QRadialGradient body(box.center() - QPointF(0, box.height() * 0.25), box.width() * 0.7);
    body.setColorAt(0.0, light);
    body.setColorAt(1.0, dark);
    painter.setBrush(body);
    painter.drawEllipse(box.adjusted(1.5, 1.5, -1.5, -1.5));
    QLinearGradient shine(box.topLeft(), box.bottomLeft());
    shine.setColorAt(0.0, QColor(255, 255, 255, 70));
    shine.setColorAt(0.5, QColor(255, 255, 255, 0));
    painter.setBrush(shine);
    painter.drawEllipse(box.adjusted(4, 2.5, -4, -box.height() * 0.45));
}

void GraphiteRound(QPainter& painter, QRectF box) {
    RoundBody(painter, box, Grey(104), Grey(48));
}

void HideFace(QPainter& painter, QRectF box) {
    GraphiteRound(painter, box);
    painter.setPen(RoundPen(kGraphiteIcon, 2.4));
    const QPointF c = box.center();
    painter.drawLine(c + QPointF(-6.5, 4), c + QPointF(6.5, 4));
    painter.drawPolyline(QPolygonF{c + QPointF(-5, -5), c + QPointF(0, 0), c + QPointF(5, -5)});
}

void ExitFace(QPainter& painter, QRectF box) {
    GraphiteRound(painter, box);
    painter.setPen(RoundPen(kGraphiteIcon, 2.4));
    painter.setBrush(Qt::NoBrush);
    const QPointF c = box.center() + QPointF(0, 0.5);
    const QRectF ring(c - QPointF(7.5, 7.5), QSizeF(15, 15));
    painter.drawArc(ring, (90 + 38) * 16, (360 - 76) * 16);
    painter.drawLine(c + QPointF(0, -9), c + QPointF(0, -1.5));
}

void RandomBezel(QPainter& painter, QRectF box) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(Grey(34));
    painter.drawRoundedRect(box, 10, 10);
    QLinearGradient body(box.topLeft(), box.bottomLeft());
    body.setColorAt(0.0, Grey(96));
    body.setColorAt(1.0, Grey(52));
    painter.setBrush(body);
    painter.drawRoundedRect(box.adjusted(1.5, 1.5, -1.5, -1.5), 8.5, 8.5);
    // The screen the film frames are copied into.
    const QPointF screen =
        box.topLeft() + QPointF(kFilmPosition - PlaceOf(Button::RandomChannel).position);
    painter.setBrush(Grey(20));
    painter.drawRoundedRect(QRectF(screen - QPointF(1.5, 1.5), QSizeF(kFilmSize) + QSizeF(3, 3)),
                            2.5, 2.5);
    painter.setFont(SkinFont(8.5, true));
    painter.setPen(Grey(222));
    painter.drawText(QRectF(box.left(), screen.y() + kFilmSize.height() + 1, box.width(),
                            box.bottom() - screen.y() - kFilmSize.height() - 2),
                     Qt::AlignCenter, QStringLiteral("RANDOM"));
}

} // namespace

void PaintDownloadFace(QPainter& painter, QPointF origin, bool highlighted) {
    // Round like "Hide" and "Exit" beside it; the new-version face glows amber.
    const QRectF box = Place(origin, SizeOf(Button::Download));
    if (highlighted) {
        RoundBody(painter, box, QColor(255, 200, 92), QColor(214, 110, 16));
    } else {
        GraphiteRound(painter, box);
    }
    painter.setPen(RoundPen(highlighted ? Grey(255) : kGraphiteIcon, 2.2));
    painter.setBrush(Qt::NoBrush);
    // An arrow down into a tray.
    const QPointF c = box.center() + QPointF(0, 0.5);
    painter.drawLine(c + QPointF(0, -6.5), c + QPointF(0, 1.5));
    painter.drawPolyline(QPolygonF{c + QPointF(-4, -2), c + QPointF(0, 2), c + QPointF(4, -2)});
    painter.drawPolyline(QPolygonF{c + QPointF(-6, 2.5), c + QPointF(-6, 6), c + QPointF(6, 6),
                                   c + QPointF(6, 2.5)});
}

void PaintButtonFace(QPainter& painter, Button button, QPointF origin) {
    const QRectF box = Place(origin, SizeOf(button));
    switch (button) {
    case Button::Shopping:
        LinkFace(painter, box, QStringLiteral("Shopping"), CartIcon);
        break;
    case Button::Website:
        LinkFace(painter, box, QStringLiteral("Website"), GlobeIcon);
        break;
    case Button::Help:
        LinkFace(painter, box, QStringLiteral("Help"), HelpIcon);
        break;
    case Button::WatchTv:
        LinkFace(painter, box, QStringLiteral("Watch TV"), TvIcon);
        break;
    case Button::Upgrade:
        LinkFace(painter, box, QStringLiteral("Upgrade to Pro"), StarIcon);
        break;
    case Button::ContactUs:
        LinkFace(painter, box, QStringLiteral("Contact us"), EnvelopeIcon);
        break;
    case Button::Download:
        PaintDownloadFace(painter, origin, false);
        break;
    case Button::RandomChannel:
        RandomBezel(painter, box);
        break;
    case Button::Hide:
        HideFace(painter, box);
        break;
    case Button::Exit:
        ExitFace(painter, box);
        break;
    case Button::Go:
        GoFace(painter, box);
        break;
    case Button::BrowserToggle:
        BrowserToggleFace(painter, box);
        break;
    }
}

} // namespace sonavia::skin
