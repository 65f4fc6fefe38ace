#include "radio/TunerDisplay.h"

#include "controls/Accessibility.h"
#include "controls/ArchiveImages.h"
#include "localfiles/Bitmap.h"
#include "radio/CatalogueDisplay.h"
#include "radio/RadioCore.h"
#include "resources/WindowLayout.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace sonavia {

namespace {

constexpr char kLineName[] = "Now playing";
// What screen readers hear of the line while it shows nothing.
constexpr char kNothingPlays[] = "Stopped";

} // namespace

TunerDisplay::TunerDisplay(const RadioCore& core, QWidget& window)
    : core_(core), window_(window),
      status_(new StatusArea(QString::fromLatin1(kLineName), &window)),
      colour_(layout::kTunerLight), font_(QString::fromLatin1(layout::kSkinFontFamily)) {
    font_.setPixelSize(layout::kTunerLinePixelSize);
    font_.setStyleStrategy(QFont::PreferAntialias);
    status_->setGeometry(layout::kTunerLine);
    status_->SetStatus(QString::fromLatin1(kNothingPlays));
}

void TunerDisplay::LoadSkin(const InterfacePackDirectory& archive, int hue, int scale) {
    dimLamp_ =
        WithKeyTransparent(LoadArchiveBitmapShifted(archive, layout::kLampDimBitmap, hue, scale));
    auto red = static_cast<std::uint8_t>(qRed(layout::kTunerLight));
    auto green = static_cast<std::uint8_t>(qGreen(layout::kTunerLight));
    auto blue = static_cast<std::uint8_t>(qBlue(layout::kTunerLight));
    ShiftPixelHue(blue, green, red, hue);
    colour_ = QColor(red, green, blue);
    window_.update(layout::kTunerLine);
    window_.update(layout::kOnAirLamp);
}

void TunerDisplay::Show() {
    const QString text = TunerLineText(core_);
    if (text != text_) {
        text_ = text;
        textWidth_ = static_cast<int>(std::ceil(QFontMetricsF(font_).horizontalAdvance(text_)));
        offset_ = 0;
        rest_ = kScrollRestTicks;
        window_.update(layout::kTunerLine);
        status_->SetStatus(text_.isEmpty() ? QString::fromLatin1(kNothingPlays) : text_);
    }
    blinkTick_ = 0;
    SetLamp(LampLitNow());
}

bool TunerDisplay::Scrolls() const {
    return textWidth_ > layout::kTunerLine.width();
}

bool TunerDisplay::LampLitNow() const {
    switch (core_.State()) {
    case PlayState::Playing:
        return true;
    case PlayState::Connecting:
        return (blinkTick_ / kBlinkTicks) % 2 == 0;
    case PlayState::Stopped:
    case PlayState::Failed:
        break;
    }
    return false;
}

void TunerDisplay::SetLamp(bool lit) {
    if (lit != lampLit_) {
        lampLit_ = lit;
        window_.update(layout::kOnAirLamp);
    }
}

bool TunerDisplay::Moving() const {
    return core_.State() == PlayState::Connecting || Scrolls();
}

void TunerDisplay::Tick() {
    if (core_.State() == PlayState::Connecting) {
        ++blinkTick_;
        SetLamp(LampLitNow());
    }
    if (!Scrolls()) {
        return;
    }
    if (rest_ > 0) {
        --rest_;
        return;
    }
    offset_ = (offset_ + 1) % (textWidth_ + kScrollGap);
    if (offset_ == 0) {
        rest_ = kScrollRestTicks;
    }
    window_.update(layout::kTunerLine);
}

void TunerDisplay::Paint(QPainter& painter) const {
    if (!lampLit_ && !dimLamp_.isNull()) {
        painter.save();
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(layout::kOnAirLamp.topLeft(), dimLamp_);
        painter.restore();
    }
    if (text_.isEmpty()) {
        return;
    }
    if (!Scrolls()) {
        painter.save();
        PaintText(painter, layout::kTunerLine);
        painter.restore();
        return;
    }
    // A scrolled line fades out at both ends of the glass rather than being cut; at rest its
    // start stands whole.
    const qreal ratio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    QImage line(layout::kTunerLine.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    line.setDevicePixelRatio(ratio);
    line.fill(Qt::transparent);
    QPainter linePainter(&line);
    const QRect lineRect(QPoint(0, 0), layout::kTunerLine.size());
    PaintText(linePainter, lineRect);
    QLinearGradient fade(lineRect.topLeft(), lineRect.topRight());
    const qreal width = lineRect.width();
    fade.setColorAt(0, offset_ > 0 ? Qt::transparent : Qt::black);
    fade.setColorAt(std::min(offset_, kFadeWidth) / width, Qt::black);
    fade.setColorAt(1 - kFadeWidth / width, Qt::black);
    fade.setColorAt(1, Qt::transparent);
    linePainter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    linePainter.fillRect(lineRect, fade);
    linePainter.end();
    painter.drawImage(layout::kTunerLine.topLeft(), line);
}

void TunerDisplay::PaintText(QPainter& painter, const QRect& area) const {
    painter.setClipRect(area, Qt::IntersectClip);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font_);
    painter.setPen(colour_);
    QRect text = area;
    text.setWidth(std::max(textWidth_, area.width()));
    text.translate(-offset_, 0);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, text_);
    // The start comes round again behind the end.
    if (Scrolls()) {
        painter.drawText(text.translated(textWidth_ + kScrollGap, 0),
                         Qt::AlignLeft | Qt::AlignVCenter, text_);
    }
}

} // namespace sonavia
