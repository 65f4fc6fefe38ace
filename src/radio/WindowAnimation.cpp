#include "radio/WindowAnimation.h"

#include "controls/ArchiveImages.h"
#include "radio/RadioCore.h"
#include "resources/WindowLayout.h"
#include "rules/RandomRules.h"

#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <string>

namespace sonavia {

namespace {

QRect ToQRect(const PaintRect& rect) {
    return {rect.left, rect.top, rect.width, rect.height};
}

QColor ToQColor(const PaintRgb& colour) {
    return {colour.red, colour.green, colour.blue};
}

const QRect kMeterArea{kMeterLeft, kMeterTop, kMeterBarPitch*(kMeterBars - 1) + kMeterBarWidth,
                       kMeterHeight};

QRect DownloadButtonArea(const QImage& face) {
    const QPoint at = layout::kButtons[static_cast<int>(layout::Button::Download)].position;
    return {at, face.deviceIndependentSize().toSize()};
}

} // namespace

WindowAnimation::WindowAnimation(const RadioCore& core)
    : core_(core), activityBox_(kActivityBox.width, kActivityBox.height, QImage::Format_RGB32) {
    activityBox_.fill(ToQColor(kActivityClear));
}

void WindowAnimation::LoadFrames(const InterfacePackDirectory& archive, int hue, int scale) {
    for (int i = 0; i < kFilmFrames; ++i) {
        const std::string name = "film" + std::to_string(i) + ".bmp";
        film_[static_cast<std::size_t>(i)] = LoadArchiveBitmapShifted(archive, name, hue, scale);
    }
    // The faces are round: drawn over the window, outside their shape the window shows.
    versionFaces_[0] = WithKeyTransparent(LoadArchiveBitmap(
        archive, layout::kButtons[static_cast<int>(layout::Button::Download)].bitmap, scale));
    versionFaces_[1] =
        WithKeyTransparent(LoadArchiveBitmap(archive, layout::kNewVersionBitmap, scale));
}

QRect WindowAnimation::MeterArea() {
    return kMeterArea;
}

QRect WindowAnimation::ActivityArea() {
    return ToQRect(kActivityBox);
}

void WindowAnimation::SetMeter(QWidget& window, bool idle, const MeterLevels& levels) {
    if (idle == meterIdle_ && (idle || levels == levels_)) {
        return;
    }
    meterIdle_ = idle;
    levels_ = levels;
    window.update(kMeterArea);
}

void WindowAnimation::TickMeterAndActivity(QWidget& window, bool muteShown) {
    const bool idle = MeterIsIdle(core_.StreamPlaying(), muteShown, core_.CurrentVolume(),
                                  static_cast<std::int64_t>(packetsBaseline_));
    MeterLevels levels{};
    if (!idle) {
        const ClockReading now = ReadLocalClock();
        levels = LevelsFor(ClockRandom(now.calendar), now.seconds, now.minutes);
    }
    SetMeter(window, idle, levels);

    const std::uint64_t packets = core_.ReceivedPackets();
    if (packets > packetsBaseline_) {
        DrawActivityStep(window);
    }
    packetsBaseline_ = packets;
}

void WindowAnimation::DrawActivityStep(QWidget& window) {
    const PaintFill fill = StepActivity(activity_);
    // A few pixels a tick, set directly: a painter on the picture cost more than the fill.
    const QRect area = ToQRect(fill.rect)
                           .translated(-kActivityBox.left, -kActivityBox.top)
                           .intersected(activityBox_.rect());
    const QRgb colour = ToQColor(fill.colour).rgb();
    for (int y = area.top(); y <= area.bottom(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(activityBox_.scanLine(y));
        std::fill(line + area.left(), line + area.right() + 1, colour);
    }
    window.update(ToQRect(kActivityBox));
}

void WindowAnimation::RestartActivity(QWidget& window) {
    ResetActivity(activity_);
    packetsBaseline_ = 0;
    SetMeter(window, true, {});
    DrawActivityStep(window);
}

bool WindowAnimation::Moving() const {
    return !meterIdle_ || core_.NewVersionFound() || filmHover_ || filmShown_ != 0;
}

void WindowAnimation::TickFlashAndFilm(QWidget& window) {
    if (core_.NewVersionFound()) {
        if (flashTick_ == kTicksPerFrame) {
            flashShown_ = flashFrame_ % 2;
            ++flashFrame_;
            flashTick_ = 0;
            window.update(DownloadButtonArea(versionFaces_[0]));
        }
        ++flashTick_;
    }

    const int before = filmShown_;
    if (filmHover_) {
        if (filmTick_ == kTicksPerFrame) {
            filmShown_ = 1 + filmFrame_ % layout::kFilmLoopFrames;
            ++filmFrame_;
            filmTick_ = 0;
        }
    } else {
        filmShown_ = 0;
        filmTick_ = 0;
    }
    ++filmTick_;
    if (filmShown_ != before) {
        window.update(QRect(layout::kFilmPosition, layout::kFilmSize));
    }
}

void WindowAnimation::Paint(QPainter& painter) const {
    for (int bar = 0; bar < kMeterBars; ++bar) {
        if (meterIdle_) {
            painter.fillRect(ToQRect(MeterIdleRect(bar)), ToQColor(kMeterGrey));
            continue;
        }
        const MeterBarColours colours = BarColours(levels_[static_cast<std::size_t>(bar)]);
        for (int row = 0; row < kMeterRows; ++row) {
            painter.fillRect(ToQRect(MeterRowRect(bar, row)),
                             ToQColor(colours[static_cast<std::size_t>(row)]));
        }
    }
    painter.drawImage(QPoint(kActivityBox.left, kActivityBox.top), activityBox_);
    // Pictures drawn finer than the screen's pixels (2x art at a ratio of 1.5) are resampled
    // smoothly; at their own ratio they are copied pixel for pixel all the same.
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(layout::kFilmPosition, film_[static_cast<std::size_t>(filmShown_)]);
    if (flashShown_ >= 0) {
        const QImage& face = versionFaces_[static_cast<std::size_t>(flashShown_)];
        painter.drawImage(DownloadButtonArea(face).topLeft(), face);
    }
    painter.restore();
}

} // namespace sonavia
