#pragma once

#include <string>

namespace sonavia {

// Texts longer than this are broken once, so that the message dialog stays narrow.
inline constexpr std::size_t kMessageLineLength = 50;

// Inserts one line feed in front of the first blank at position kMessageLineLength or later;
// shorter texts, and texts without such a blank, come back unchanged.
std::string BreakMessageText(std::string text);

} // namespace sonavia
