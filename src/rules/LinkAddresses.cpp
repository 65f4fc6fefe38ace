#include "rules/LinkAddresses.h"

namespace sonavia {

namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~';
}

// A count of seconds as a choice among the shopping texts, also for a negative count.
int ShoppingChoice(int seconds) {
    const int choice = seconds % kShoppingTextChoices;
    return choice < 0 ? choice + kShoppingTextChoices : choice;
}

} // namespace

std::string LinkAddress(LinkButton button, std::string_view siteBase) {
    const std::string base(siteBase);
    // Each button has its page; the compiler names a button left out here.
    switch (button) {
    case LinkButton::Website:
        return base + kWebsitePage;
    case LinkButton::Help:
        return base + kHelpPage;
    case LinkButton::Download:
        return base + kDownloadPage;
    case LinkButton::Upgrade:
        return base + kUpgradePage;
    case LinkButton::WatchTv:
        return base + kWatchTvPage;
    case LinkButton::Shopping:
        return base + "/" + kStorePage;
    }
    return {};
}

std::string PercentEncoded(std::string_view text, std::string_view alsoKept) {
    std::string encoded;
    encoded.reserve(text.size());
    for (const char byte : text) {
        const auto c = static_cast<unsigned char>(byte);
        if (IsUnreserved(c) || alsoKept.find(byte) != std::string_view::npos) {
            encoded.push_back(byte);
        } else {
            encoded.push_back('%');
            encoded.push_back(kHexDigits[c >> 4]);
            encoded.push_back(kHexDigits[c & 0x0F]);
        }
    }
    return encoded;
}

std::string SearchAddress(std::string_view searchBase, std::string_view text) {
    if (text == kSearchHint) {
        return std::string(searchBase);
    }
    return std::string(searchBase) + kSearchPath + PercentEncoded(text) + kSearchSuffix;
}

std::string ShoppingAddress(std::string_view shoppingRoot, std::string_view topic) {
    std::string joined(topic);
    for (char& c : joined) {
        if (c == ' ') {
            c = '-';
        }
    }
    return std::string(shoppingRoot) + kShoppingFolder + "/" + PercentEncoded(joined) + "/";
}

std::string ShoppingTooltip(int seconds) {
    return kShoppingTooltips[ShoppingChoice(seconds)];
}

std::string ShoppingHeading(int seconds) {
    return kShoppingHeadings[ShoppingChoice(seconds)];
}

std::string GoTooltip(std::string_view searchText) {
    if (searchText.empty() || searchText == kSearchHint) {
        return kGoTooltip;
    }
    return std::string(kGoTooltipBefore) + " \"" + std::string(searchText) + "\" " +
           kGoTooltipAfter;
}

} // namespace sonavia
