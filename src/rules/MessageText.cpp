#include "rules/MessageText.h"

namespace sonavia {

std::string BreakMessageText(std::string text) {
    if (text.size() <= kMessageLineLength) {
        return text;
    }
    const auto blank = text.find(' ', kMessageLineLength);
    if (blank != std::string::npos) {
        text.insert(blank, 1, '\n');
    }
    return text;
}

} // namespace sonavia
