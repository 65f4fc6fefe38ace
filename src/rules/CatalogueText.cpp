#include "rules/CatalogueText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <system_error>

namespace sonavia {

namespace {

constexpr char kCommentMark = '#';
constexpr std::size_t kFirstCommentPosition = 2;
constexpr char kTrailingSpace[] = " \t\r\n\v\f";
// A reply whose first line starts with one of these, in any letter case, is a web page.
constexpr std::string_view kWebPageStarts[] = {"<!doctyp", "<html"};
constexpr char kOfferPrefix[] = "Download version ";
constexpr char kOfferSuffix[] = " now...";
constexpr int kOfferDecimals = 2;
constexpr char kItemSuffix[] = ".rd";

// Windows-1252 at 0x80..0x9F; 0 marks the five bytes that code page leaves undefined, which are
// shown as the control characters of the same value, as Latin-1 would.
constexpr char16_t kWindows1252High[32] = {
    0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0,      0x017D, 0,      0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
constexpr unsigned char kWindows1252HighFirst = 0x80;
constexpr unsigned char kWindows1252HighLast = 0x9F;

void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (code >> 6)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xE0 | (code >> 12)));
        out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Ends the version token: a blank, a line feed, a zero byte or a byte of value 128 or more.
bool EndsVersionToken(char c) {
    return c == ' ' || c == '\n' || c == '\0' || static_cast<unsigned char>(c) >= 0x80;
}

bool StartsWithIgnoringCase(std::string_view text, std::string_view lowerPrefix) {
    if (text.size() < lowerPrefix.size()) {
        return false;
    }
    for (std::size_t i = 0; i < lowerPrefix.size(); ++i) {
        const char c = text[i];
        if (((c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c) != lowerPrefix[i]) {
            return false;
        }
    }
    return true;
}

std::string_view WithoutCarriageReturn(std::string_view text) {
    if (!text.empty() && text.back() == '\r') {
        text.remove_suffix(1);
    }
    return text;
}

} // namespace

std::string CleanCatalogueLine(std::string_view line) {
    const auto mark = line.find(kCommentMark);
    if (mark != std::string_view::npos && mark >= kFirstCommentPosition) {
        line = line.substr(0, mark - 1);
    }
    const auto last = line.find_last_not_of(kTrailingSpace);
    return std::string(last == std::string_view::npos ? std::string_view()
                                                      : line.substr(0, last + 1));
}

long long LeadingDecimal(std::string_view text, long long limit) {
    std::size_t i = 0;
    while (i < text.size() && IsSpace(text[i])) {
        ++i;
    }
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) {
        negative = text[i] == '-';
        ++i;
    }
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value >= limit) {
            value = limit;
            break;
        }
    }
    return negative ? -value : value;
}

std::string_view FirstLine(std::string_view text) {
    const auto end = text.find('\n');
    return end == std::string_view::npos ? text : WithoutCarriageReturn(text.substr(0, end));
}

bool StartsAsWebPage(std::string_view text) {
    for (const std::string_view start : kWebPageStarts) {
        if (StartsWithIgnoringCase(text, start)) {
            return true;
        }
    }
    return false;
}

bool IsCatalogueWebPage(std::string_view text) {
    return text.find("HTML") != std::string_view::npos ||
           text.find("html") != std::string_view::npos || StartsAsWebPage(text);
}

std::string ItemTextOf(std::string_view reply) {
    const std::string_view line = FirstLine(reply);
    return StartsAsWebPage(line) ? std::string() : std::string(line);
}

float PublishedVersionOf(std::string_view reply) {
    std::size_t end = 0;
    while (end < reply.size() && !EndsVersionToken(reply[end])) {
        ++end;
    }
    std::string_view token = WithoutCarriageReturn(reply.substr(0, end));
    while (!token.empty() && IsSpace(token.front())) {
        token.remove_prefix(1);
    }
    if (!token.empty() && token.front() == '+') {
        token.remove_prefix(1);
    }
    double value = 0;
    const auto [next, error] = std::from_chars(token.data(), token.data() + token.size(), value,
                                               std::chars_format::general);
    // Neither an infinity, a NaN nor a number beyond the float range is a version.
    if (error != std::errc() || !std::isfinite(value) ||
        std::fabs(value) > std::numeric_limits<float>::max()) {
        return 0.0F;
    }
    return static_cast<float>(value);
}

std::string VersionOfferText(float published) {
    char digits[64];
    const auto result =
        std::to_chars(digits, digits + sizeof digits, static_cast<double>(published),
                      std::chars_format::fixed, kOfferDecimals);
    return kOfferPrefix + std::string(digits, result.ptr) + kOfferSuffix;
}

std::string WithoutFinalSeparator(std::string_view base) {
    if (!base.empty() && (base.back() == '/' || base.back() == '\\')) {
        base.remove_suffix(1);
    }
    return std::string(base);
}

std::string FlagsUrl(std::string_view packageBase) {
    return WithoutFinalSeparator(packageBase) + kItemSuffix;
}

std::string ItemUrl(ItemKind kind, std::string_view packageBase, int n) {
    // Each kind has its own address format; the compiler names a kind left out here.
    switch (kind) {
    case ItemKind::RadioStation:
        return WithoutFinalSeparator(packageBase) + "/" + std::to_string(n) + kItemSuffix;
    }
    return {};
}

bool NamesLocalFile(std::string_view address) {
    const auto colon = address.find(':');
    const auto isSchemeCharacter = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '+' || c == '-' || c == '.';
    };
    const bool hasScheme =
        colon != std::string_view::npos && colon > 1 &&
        ((address[0] >= 'a' && address[0] <= 'z') || (address[0] >= 'A' && address[0] <= 'Z')) &&
        std::all_of(address.begin(), address.begin() + static_cast<std::ptrdiff_t>(colon),
                    isSchemeCharacter);
    return !hasScheme || StartsWithIgnoringCase(address, "file:");
}

bool IsValidUtf8(std::string_view bytes) {
    std::size_t i = 0;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        int continuation = 0;
        char32_t code = 0;
        char32_t smallest = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if ((lead & 0xE0) == 0xC0) {
            continuation = 1;
            code = lead & 0x1F;
            smallest = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            continuation = 2;
            code = lead & 0x0F;
            smallest = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            continuation = 3;
            code = lead & 0x07;
            smallest = 0x10000;
        } else {
            return false;
        }
        if (bytes.size() - i <= static_cast<std::size_t>(continuation)) {
            return false;
        }
        for (int k = 1; k <= continuation; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + static_cast<std::size_t>(k)]);
            if ((next & 0xC0) != 0x80) {
                return false;
            }
            code = (code << 6) | (next & 0x3F);
        }
        if (code < smallest || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += static_cast<std::size_t>(continuation) + 1;
    }
    return true;
}

std::string CatalogueTextAsUtf8(std::string_view bytes) {
    if (IsValidUtf8(bytes)) {
        return std::string(bytes);
    }
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        char32_t code = byte;
        if (byte >= kWindows1252HighFirst && byte <= kWindows1252HighLast &&
            kWindows1252High[byte - kWindows1252HighFirst] != 0) {
            code = kWindows1252High[byte - kWindows1252HighFirst];
        }
        AppendUtf8(text, code);
    }
    return text;
}

} // namespace sonavia
