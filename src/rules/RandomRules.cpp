#include "rules/RandomRules.h"

#include <algorithm>
#include <ctime>
#include <random>

namespace sonavia {

namespace {

constexpr int kSecondsPerMinute = 60;
constexpr int kMinutesPerHour = 60;
constexpr int kStartupMask = 3;
constexpr int kStartupOffset = 1234;

bool IsOffered(const RadioCatalogue& catalogue, std::int64_t position) {
    const auto limit = std::min<std::int64_t>(catalogue.filled,
                                              static_cast<std::int64_t>(catalogue.records.size()));
    return position >= 0 && position < limit &&
           catalogue.records[static_cast<std::size_t>(position)].present;
}

std::optional<std::size_t> FirstOffered(const RadioCatalogue& catalogue,
                                        std::optional<std::size_t> passedOver = std::nullopt) {
    for (std::size_t i = 0; i < catalogue.records.size(); ++i) {
        if (i != passedOver && IsOffered(catalogue, static_cast<std::int64_t>(i))) {
            return i;
        }
    }
    return std::nullopt;
}

// A non-negative remainder, whatever the sign of the value.
int Remainder(std::int64_t value, int count) {
    const std::int64_t rest = value % count;
    return static_cast<int>(rest < 0 ? rest + count : rest);
}

template <typename Rule>
std::optional<std::size_t> Pick(const RadioCatalogue& catalogue, const ClockReading& now,
                                std::optional<std::size_t> playing, Rule rule) {
    if (catalogue.count <= 0) {
        return std::nullopt;
    }
    // The station that plays is passed over only while another one can be had.
    const std::optional<std::size_t> passedOver =
        playing && FirstOffered(catalogue, playing) ? playing : std::nullopt;
    for (int later = 0; later < kRandomPickSeconds; ++later) {
        const int position = rule(AdvanceClock(now, later), catalogue.count);
        if (IsOffered(catalogue, position) && static_cast<std::size_t>(position) != passedOver) {
            return static_cast<std::size_t>(position);
        }
    }
    return FirstOffered(catalogue, passedOver);
}

} // namespace

ClockReading ReadLocalClock() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    localtime_r(&now, &local);
    return {static_cast<std::int64_t>(now), local.tm_sec, local.tm_min};
}

ClockReading AdvanceClock(const ClockReading& reading, int seconds) {
    const std::int64_t total =
        static_cast<std::int64_t>(reading.minutes) * kSecondsPerMinute + reading.seconds + seconds;
    const int perHour = kSecondsPerMinute * kMinutesPerHour;
    const int inHour = Remainder(total, perHour);
    return {reading.calendar + seconds, inHour % kSecondsPerMinute, inHour / kSecondsPerMinute};
}

std::uint32_t ClockRandom(std::int64_t calendar) {
    // minstd gives the same numbers on every platform; its seed is taken modulo its modulus.
    constexpr auto modulus = static_cast<std::int64_t>(std::minstd_rand::modulus);
    std::minstd_rand generator(static_cast<std::minstd_rand::result_type>(
        Remainder(calendar % modulus, static_cast<int>(modulus))));
    return static_cast<std::uint32_t>(generator());
}

int StartupRulePosition(const ClockReading& reading, int count) {
    if (count <= 0) {
        return -1;
    }
    const std::int64_t sum = static_cast<std::int64_t>(reading.seconds) + reading.minutes;
    return Remainder((sum ^ kStartupMask) + kStartupOffset, count);
}

int WindowRulePosition(const ClockReading& reading, int count) {
    if (count <= 0) {
        return -1;
    }
    const std::int64_t r = ClockRandom(reading.calendar);
    return Remainder(static_cast<std::int64_t>(reading.seconds) * r, count);
}

std::optional<std::size_t> PickStartupStation(const RadioCatalogue& catalogue,
                                              const ClockReading& now,
                                              std::optional<std::size_t> playing) {
    return Pick(catalogue, now, playing, StartupRulePosition);
}

std::optional<std::size_t> PickWindowStation(const RadioCatalogue& catalogue,
                                             const ClockReading& now,
                                             std::optional<std::size_t> playing) {
    return Pick(catalogue, now, playing, WindowRulePosition);
}

} // namespace sonavia
