#pragma once

#include "rules/PaintShapes.h"

#include <array>
#include <cstdint>

namespace sonavia {

// The level meter: nine bars of 43 rows. Row i of a bar is 2 pixels high with its top at
// kMeterBottomRowTop − i, so each row overlaps the one below it by a pixel: paint a bar's rows
// in order from row 0 up.
inline constexpr int kMeterBars = 9;
inline constexpr int kMeterRows = 43;
inline constexpr int kMeterLeft = 473;
inline constexpr int kMeterBarPitch = 11;
inline constexpr int kMeterBarWidth = 10;
inline constexpr int kMeterRowHeight = 2;
inline constexpr int kMeterBottomRowTop = 139;
inline constexpr int kMeterTop = kMeterBottomRowTop - (kMeterRows - 1);
inline constexpr int kMeterHeight = kMeterRows + 1;

// Unlit rows and idle bars.
inline constexpr PaintRgb kMeterGrey{123, 123, 123};

// The rectangle of row `row` (0 at the bottom) of bar `bar` (0 at the left).
PaintRect MeterRowRect(int bar, int row);

// An idle bar is one grey rectangle over all its rows.
PaintRect MeterIdleRect(int bar);

// The meter is idle (all grey) while the stream is not playing, the mute mark is shown, the
// volume is 0, or no packet has arrived since the last random play.
bool MeterIsIdle(bool streamPlaying, bool muteShown, int volume, std::int64_t packetsBaseline);

using MeterLevels = std::array<int, kMeterBars>;

// The bars' levels, left to right, from a random number and the local seconds and minutes
// (see ClockRandom and ClockReading): with e = r × s, L0 = e, L1 = r × m, L2 = e × m,
// L3 = e × (s + m) and L4 = e × s × m, each modulo kMeterRows; the bars show
// L0 L1 L2 L3 L4 L3 L2 L1 L0. Each level is 0..42 whatever the inputs.
MeterLevels LevelsFor(std::uint32_t r, int seconds, int minutes);

using MeterBarColours = std::array<PaintRgb, kMeterRows>;

// The colours of a bar's rows from row 0 up: rows below `level` are lit, the others grey. Lit
// rows run from green through yellow to red: the red rises by 12 a row to 254, then the green
// falls by 12 a row; the ramp moves on at grey rows too.
MeterBarColours BarColours(int level);

} // namespace sonavia
