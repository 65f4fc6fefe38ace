#include "rules/ShoppingList.h"

#include "rules/CatalogueText.h"

#include <algorithm>

namespace sonavia {

namespace {

constexpr std::string_view kPageTag = "<html";

char AsciiUpper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

char AsciiLower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool IsShoppingWebPage(std::string_view reply) {
    const auto found = std::search(reply.begin(), reply.end(), kPageTag.begin(), kPageTag.end(),
                                   [](char a, char b) { return AsciiLower(a) == b; });
    return found != reply.end();
}

ShoppingList ParseShoppingList(std::string_view text) {
    ShoppingList list;
    std::size_t position = text.find('\n');
    if (position == std::string_view::npos) {
        return list;
    }
    std::string last(FirstLine(text));
    list.count = static_cast<int>(std::max(LeadingDecimal(last, kMaxShoppingTopics), 0LL));

    for (int i = 0; i < list.count && !last.empty(); ++i) {
        const std::size_t start = position + 1;
        const std::size_t end = text.find('\n', start);
        if (end == std::string_view::npos) {
            break;
        }
        position = end;
        last = CleanCatalogueLine(text.substr(start, end - start));
        if (!last.empty()) {
            last.front() = AsciiUpper(last.front());
        }
        list.topics.push_back(last);
    }
    return list;
}

std::string ShoppingRootOf(std::string_view reply) {
    if (reply.find('\n') == std::string_view::npos) {
        return {};
    }
    return std::string(FirstLine(reply));
}

} // namespace sonavia
