#pragma once

#include "rules/RadioCatalogue.h"

#include <cstddef>
#include <cstdint>
#include <optional>

namespace sonavia {

// The clock as the random rules read it: the calendar time in seconds and the seconds and
// minutes fields of the local time.
struct ClockReading {
    std::int64_t calendar = 0;
    int seconds = 0; // 0..59
    int minutes = 0; // 0..59
};

// The clock now.
ClockReading ReadLocalClock();

// The reading `seconds` later, the local fields moving on as a clock's do.
ClockReading AdvanceClock(const ClockReading& reading, int seconds);

// The first number of a generator seeded with the calendar time: the same calendar second
// always gives the same number. Not negative.
std::uint32_t ClockRandom(std::int64_t calendar);

// The start-up rule: (((seconds + minutes) XOR 3) + 1234) mod count. It depends only on the
// local seconds and minutes, so it reaches at most 119 positions. -1 when count is not positive.
int StartupRulePosition(const ClockReading& reading, int count);

// The window rule: (seconds × ClockRandom(calendar)) mod count. -1 when count is not positive.
int WindowRulePosition(const ClockReading& reading, int count);

// How many successive clock seconds a pick looks at: within an hour the start-up rule has
// produced every position it can.
inline constexpr int kRandomPickSeconds = 3600;

// A random pick: the rule's position for the reading when that station is offered, else for the
// reading one second later, and so on for kRandomPickSeconds readings. Only the readings are
// computed, nothing waits for the clock, and the same reading always gives the same station.
// When none of them lands on an offered station, the first offered station; none at all when
// the catalogue offers nothing or is empty. A position past the catalogue's filled records is
// never offered.
//
// `playing` is the station that plays now: while another one is offered, a pick passes it over
// and takes the next station the rule allows, so that a random pick always changes the station.
std::optional<std::size_t> PickStartupStation(const RadioCatalogue& catalogue,
                                              const ClockReading& now,
                                              std::optional<std::size_t> playing = std::nullopt);
std::optional<std::size_t> PickWindowStation(const RadioCatalogue& catalogue,
                                             const ClockReading& now,
                                             std::optional<std::size_t> playing = std::nullopt);

} // namespace sonavia
