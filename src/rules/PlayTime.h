#pragma once

#include <string>
#include <vector>

namespace sonavia {

inline constexpr int kHoursPerDay = 24;

// The start hour list: "00:00" to "23:00".
std::vector<std::string> StartHourTexts();

// The play length list: "01 hour", then "02 hours" to "24 hours".
std::vector<std::string> PlayHoursTexts();

} // namespace sonavia
