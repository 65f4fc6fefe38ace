#include "rules/RecordingName.h"

#include <array>

namespace sonavia {

namespace {

constexpr char kStemTimeFormat[] = "%Y-%m-%d %H.%M.%S";
constexpr std::size_t kStemTimeBytes = 20;
constexpr unsigned char kDelete = 0x7f;
// UTF-8 of the C1 control characters U+0080 to U+009F: this lead byte, then 0x80 to 0x9f.
constexpr unsigned char kC1Lead = 0xc2;
constexpr unsigned char kC1Last = 0x9f;

bool IsContinuation(unsigned char c) {
    return (c & 0xc0) == 0x80;
}

} // namespace

std::string FileNamePart(std::string_view utf8) {
    std::string name;
    name.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c == kC1Lead && i + 1 < utf8.size() &&
            static_cast<unsigned char>(utf8[i + 1]) <= kC1Last &&
            IsContinuation(static_cast<unsigned char>(utf8[i + 1]))) {
            ++i;
            name += ' ';
        } else if (c < 0x20 || c == kDelete || c == '/') {
            name += ' ';
        } else {
            name += static_cast<char>(c);
        }
    }
    const std::size_t first = name.find_first_not_of(". ");
    name.erase(0, first == std::string::npos ? name.size() : first);
    if (name.size() > kMaxNamePartBytes) {
        std::size_t cut = kMaxNamePartBytes;
        while (cut > 0 && IsContinuation(static_cast<unsigned char>(name[cut]))) {
            --cut;
        }
        name.resize(cut);
    }
    const std::size_t last = name.find_last_not_of(' ');
    name.resize(last == std::string::npos ? 0 : last + 1);
    return name;
}

std::string RecordingStem(const std::tm& start, std::string_view title) {
    std::array<char, kStemTimeBytes + 1> time{};
    std::string stem(time.data(), std::strftime(time.data(), time.size(), kStemTimeFormat, &start));
    const std::string part = FileNamePart(title);
    if (!part.empty()) {
        stem += ' ' + part;
    }
    return stem;
}

} // namespace sonavia
