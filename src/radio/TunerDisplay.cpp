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
    line_ = {};
    strip_ = {};
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
        line_ = {};
        strip_ = {};
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
    // The line shares its place with the level meter, which is repainted every tick: its text is
    // laid out and drawn once, and each paint copies it at the scroll it stands at.
    const qreal ratio = painter.device() != nullptr ? painter.device()->devicePixelRatioF() : 1.0;
    if (line_.isNull() || lineOffset_ != offset_ || line_.devicePixelRatioF() != ratio) {
        DrawLine(ratio);
    }
    painter.drawImage(layout::kTunerLine.topLeft(), line_);
}

void TunerDisplay::DrawLine(qreal ratio) const {
    const QRect lineRect(QPoint(0, 0), layout::kTunerLine.size());
    if (strip_.isNull() || strip_.devicePixelRatioF() != ratio) {
        // The text, and for a scrolled line its start again behind its end: every scroll shows
        // a stretch of it.
        const QSize size(Scrolls() ? textWidth_ + kScrollGap + lineRect.width() : lineRect.width(),
                         lineRect.height());
        strip_ = QImage(size * ratio, QImage::Format_ARGB32_Premultiplied);
        strip_.setDevicePixelRatio(ratio);
        strip_.fill(Qt::transparent);
        QPainter stripPainter(&strip_);
        PaintText(stripPainter, QRect(QPoint(0, 0), size));
    }
    // A scrolled line is drawn again at every tick, into the same picture.
    if (line_.size() != lineRect.size() * ratio || line_.devicePixelRatioF() != ratio) {
        line_ = QImage(lineRect.size() * ratio, QImage::Format_ARGB32_Premultiplied);
        line_.setDevicePixelRatio(ratio);
    }
    line_.fill(Qt::transparent);
    lineOffset_ = offset_;
    QPainter linePainter(&line_);
    linePainter.drawImage(QPoint(-offset_, 0), strip_);
    if (!Scrolls()) {
        return;
    }
    // A scrolled line fades out at both ends of the glass rather than being cut; at rest its
    // start stands whole.
    QLinearGradient fade(lineRect.topLeft(), lineRect.topRight());
    const qreal width = lineRect.width();
    fade.setColorAt(0, offset_ > 0 ? Qt::transparent : Qt::black);
    fade.setColorAt(std::min(offset_, kFadeWidth) / width, Qt::black);
    fade.setColorAt(1 - kFadeWidth / width, Qt::black);
    fade.setColorAt(1, Qt::transparent);
    linePainter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    linePainter.fillRect(lineRect, fade);
}

void TunerDisplay::PaintText(QPainter& painter, const QRect& area) const {
    painter.setClipRect(area, Qt::IntersectClip);
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font_);
    painter.setPen(colour_);
    QRect text = area;
    text.setWidth(textWidth_);
    painter.drawText(text, Qt::AlignLeft | Qt::AlignVCenter, text_);
    if (Scrolls()) {
        painter.drawText(text.translated(textWidth_ + kScrollGap, 0),
                         Qt::AlignLeft | Qt::AlignVCenter, text_);
    }
}

} // namespace sonavia
