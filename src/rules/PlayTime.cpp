#include "rules/PlayTime.h"

#include <array>
#include <cstdio>

namespace sonavia {

namespace {

// Room for two digits and the longest word.
constexpr std::size_t kTextRoom = 16;

std::string Formatted(const char* format, int value) {
    std::array<char, kTextRoom> text{};
    std::snprintf(text.data(), text.size(), format, value);
    return text.data();
}

} // namespace

std::vector<std::string> StartHourTexts() {
    std::vector<std::string> texts;
    for (int hour = 0; hour < kHoursPerDay; ++hour) {
        texts.push_back(Formatted("%02d:00", hour));
    }
    return texts;
}

std::vector<std::string> PlayHoursTexts() {
    std::vector<std::string> texts;
    for (int hours = 1; hours <= kHoursPerDay; ++hours) {
        texts.push_back(Formatted(hours == 1 ? "%02d hour" : "%02d hours", hours));
    }
    return texts;
}

} // namespace sonavia
