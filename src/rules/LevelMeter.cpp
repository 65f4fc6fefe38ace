#include "rules/LevelMeter.h"

#include <algorithm>

namespace sonavia {

namespace {

constexpr int kRampStep = 12;
constexpr int kRampTop = 254;

// x mod kMeterRows as 0..42, also for negative x.
std::int64_t Reduced(std::int64_t x) {
    const std::int64_t rest = x % kMeterRows;
    return rest < 0 ? rest + kMeterRows : rest;
}

// (a × b) mod kMeterRows; the factors are reduced first, so nothing overflows.
std::int64_t Times(std::int64_t a, std::int64_t b) {
    return Reduced(Reduced(a) * Reduced(b));
}

} // namespace

PaintRect MeterRowRect(int bar, int row) {
    return {kMeterLeft + kMeterBarPitch * bar, kMeterBottomRowTop - row, kMeterBarWidth,
            kMeterRowHeight};
}

PaintRect MeterIdleRect(int bar) {
    return {kMeterLeft + kMeterBarPitch * bar, kMeterTop, kMeterBarWidth, kMeterHeight};
}

bool MeterIsIdle(bool streamPlaying, bool muteShown, int volume, std::int64_t packetsBaseline) {
    return !streamPlaying || muteShown || volume == 0 || packetsBaseline == 0;
}

MeterLevels LevelsFor(std::uint32_t r, int seconds, int minutes) {
    const std::int64_t s = seconds;
    const std::int64_t m = minutes;
    const std::int64_t e = Times(r, s);
    const std::array<std::int64_t, 5> levels{e, Times(r, m), Times(e, m), Times(e, s + m),
                                             Times(Times(e, s), m)};
    MeterLevels bars{};
    for (int bar = 0; bar < kMeterBars; ++bar) {
        const int fromEdge = std::min(bar, kMeterBars - 1 - bar);
        bars[static_cast<std::size_t>(bar)] = static_cast<int>(levels[fromEdge]);
    }
    return bars;
}

MeterBarColours BarColours(int level) {
    MeterBarColours rows{};
    int n = 0;
    bool rising = true;
    for (int i = 0; i < kMeterRows; ++i) {
        const auto channel = static_cast<std::uint8_t>(n);
        const PaintRgb lit =
            rising ? PaintRgb{channel, kRampTop, 0} : PaintRgb{kRampTop, channel, 0};
        rows[static_cast<std::size_t>(i)] = i < level ? lit : kMeterGrey;
        if (rising) {
            n += kRampStep;
            if (n > kRampTop) {
                n = kRampTop;
                rising = false;
            }
        } else {
            n = std::max(n - kRampStep, 0);
        }
    }
    return rows;
}

} // namespace sonavia
