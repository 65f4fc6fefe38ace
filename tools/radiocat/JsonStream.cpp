#include "JsonStream.h"

#include <algorithm>

namespace sonavia::radiocat {

namespace {

constexpr std::size_t kBufferBytes = 64 * 1024;
// Deeper nesting than this is no export: it is refused rather than followed.
constexpr int kMaxDepth = 64;
// A number's text: far more digits than any count in an export.
constexpr std::size_t kMaxNumberChars = 64;
constexpr unsigned kHighSurrogateFirst = 0xD800;
constexpr unsigned kLowSurrogateFirst = 0xDC00;
constexpr unsigned kLowSurrogateLast = 0xDFFF;
constexpr unsigned kSurrogateBits = 10;
constexpr unsigned kSupplementaryFirst = 0x10000;
constexpr unsigned kReplacementCharacter = 0xFFFD;
constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool IsDigit(int c) {
    return c >= '0' && c <= '9';
}

// How a byte of the input reads in a message: itself when printable, else its code.
std::string Shown(int c) {
    if (c == -1) {
        return "the end of the file";
    }
    if (c >= 0x21 && c < 0x7F) {
        return std::string("'") + static_cast<char>(c) + "'";
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    const auto byte = static_cast<unsigned>(c);
    return std::string("byte 0x") + kHex[byte >> 4] + kHex[byte & 0xF];
}

void AppendUtf8(std::string& text, unsigned code) {
    if (code < 0x80) {
        text += static_cast<char>(code);
    } else if (code < 0x800) {
        text += static_cast<char>(0xC0 | (code >> 6));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < kSupplementaryFirst) {
        text += static_cast<char>(0xE0 | (code >> 12));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        text += static_cast<char>(0xF0 | (code >> 18));
        text += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        text += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

JsonObjectStream::JsonObjectStream(std::istream& in, std::vector<std::string> wanted,
                                   std::size_t maxTextBytes)
    : in_(in), wanted_(std::move(wanted)), maxTextBytes_(maxTextBytes), buffer_(kBufferBytes) {}

bool JsonObjectStream::Fill() {
    if (position_ < end_) {
        return true;
    }
    if (!in_) {
        return false;
    }
    in_.read(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    position_ = 0;
    end_ = static_cast<std::size_t>(in_.gcount());
    return end_ > 0;
}

int JsonObjectStream::Peek() {
    return Fill() ? static_cast<unsigned char>(buffer_[position_]) : kEnd;
}

int JsonObjectStream::Get() {
    const int c = Peek();
    if (c == kEnd) {
        return kEnd;
    }
    ++position_;
    if (c == '\n') {
        ++line_;
        column_ = 1;
    } else {
        ++column_;
    }
    return c;
}

void JsonObjectStream::SkipSpace() {
    while (IsSpace(Peek())) {
        Get();
    }
}

std::string JsonObjectStream::Where() const {
    return "line " + std::to_string(line_) + ", column " + std::to_string(column_);
}

bool JsonObjectStream::Fail(const std::string& what) {
    if (state_ != State::Failed) {
        error_ = Where() + ": " + what;
        state_ = State::Failed;
    }
    return false;
}

bool JsonObjectStream::Expect(char wanted, const char* what) {
    SkipSpace();
    const int c = Peek();
    if (c != static_cast<unsigned char>(wanted)) {
        return Fail(std::string("expected ") + what + ", found " + Shown(c));
    }
    Get();
    return true;
}

JsonObjectStream::Step JsonObjectStream::Next(JsonObject& object) {
    object.clear();
    switch (state_) {
    case State::Failed:
        return Step::Error;
    case State::Done:
        return Step::End;
    case State::Start: {
        std::size_t matched = 0;
        while (matched < kByteOrderMark.size() &&
               Peek() == static_cast<unsigned char>(kByteOrderMark[matched])) {
            Get();
            ++matched;
        }
        SkipSpace();
        if (Peek() == kEnd) {
            Fail("the file is empty: a station export is a JSON array of stations");
            return Step::Error;
        }
        if (!Expect('[', "'[': a station export is a JSON array of stations")) {
            return Step::Error;
        }
        state_ = State::First;
        break;
    }
    case State::First:
    case State::Next:
        break;
    }

    SkipSpace();
    if (Peek() == ']') {
        if (state_ == State::Next) {
            Fail("expected a station after ','");
            return Step::Error;
        }
        Get();
        SkipSpace();
        if (Peek() != kEnd) {
            Fail("more after the end of the array: " + Shown(Peek()));
            return Step::Error;
        }
        state_ = State::Done;
        return Step::End;
    }
    if (Peek() != '{') {
        Fail("station " + std::to_string(objects_ + 1) + " is not an object: found " +
             Shown(Peek()));
        return Step::Error;
    }
    Get();
    SkipSpace();
    if (Peek() == '}') {
        Get();
    } else {
        while (true) {
            SkipSpace();
            if (Peek() != '"') {
                Fail("expected a field name in quotes, found " + Shown(Peek()));
                return Step::Error;
            }
            std::string name;
            bool nameCut = false;
            if (!ReadString(&name, &nameCut) || !Expect(':', "':' after a field name")) {
                return Step::Error;
            }
            const bool keep =
                !nameCut && std::find(wanted_.begin(), wanted_.end(), name) != wanted_.end();
            JsonField field;
            if (!ReadValue(keep ? &field : nullptr, 1)) {
                return Step::Error;
            }
            if (keep) {
                object[name] = std::move(field);
            }
            SkipSpace();
            const int c = Get();
            if (c == '}') {
                break;
            }
            if (c != ',') {
                Fail("expected ',' or '}' in a station, found " + Shown(c));
                return Step::Error;
            }
        }
    }
    ++objects_;
    SkipSpace();
    const int c = Get();
    if (c == ',') {
        state_ = State::Next;
    } else if (c == ']') {
        SkipSpace();
        if (Peek() != kEnd) {
            Fail("more after the end of the array: " + Shown(Peek()));
            return Step::Error;
        }
        state_ = State::Done;
    } else {
        Fail("expected ',' or ']' after a station, found " + Shown(c));
        return Step::Error;
    }
    return Step::Object;
}

bool JsonObjectStream::ReadValue(JsonField* field, int depth) {
    SkipSpace();
    const int c = Peek();
    switch (c) {
    case '"':
        if (field != nullptr) {
            field->kind = JsonField::Kind::String;
            return ReadString(&field->text, &field->cut);
        }
        return ReadString(nullptr, nullptr);
    case '{':
    case '[':
        if (depth >= kMaxDepth) {
            return Fail("values nested more than " + std::to_string(kMaxDepth) + " deep");
        }
        if (field != nullptr) {
            field->kind = c == '{' ? JsonField::Kind::Object : JsonField::Kind::Array;
        }
        Get();
        return ReadContainer(c == '{' ? '}' : ']', depth + 1);
    case 't':
        return ReadWord("true", field, JsonField::Kind::Boolean);
    case 'f':
        return ReadWord("false", field, JsonField::Kind::Boolean);
    case 'n':
        return ReadWord("null", field, JsonField::Kind::Null);
    default:
        if (c == '-' || IsDigit(c)) {
            if (field != nullptr) {
                field->kind = JsonField::Kind::Number;
                return ReadNumber(&field->text);
            }
            return ReadNumber(nullptr);
        }
        return Fail("expected a value, found " + Shown(c));
    }
}

bool JsonObjectStream::ReadContainer(char close, int depth) {
    SkipSpace();
    if (Peek() == static_cast<unsigned char>(close)) {
        Get();
        return true;
    }
    while (true) {
        SkipSpace();
        if (close == '}') {
            if (Peek() != '"') {
                return Fail("expected a field name in quotes, found " + Shown(Peek()));
            }
            if (!ReadString(nullptr, nullptr) || !Expect(':', "':' after a field name")) {
                return false;
            }
        }
        if (!ReadValue(nullptr, depth)) {
            return false;
        }
        SkipSpace();
        const int c = Get();
        if (c == static_cast<unsigned char>(close)) {
            return true;
        }
        if (c != ',') {
            return Fail(std::string("expected ',' or '") + close + "', found " + Shown(c));
        }
    }
}

bool JsonObjectStream::ReadWord(const char* word, JsonField* field, JsonField::Kind kind) {
    for (const char* letter = word; *letter != '\0'; ++letter) {
        const int c = Get();
        if (c != static_cast<unsigned char>(*letter)) {
            return Fail(std::string("expected ") + word + ", found " + Shown(c));
        }
    }
    if (field != nullptr) {
        field->kind = kind;
        field->text = kind == JsonField::Kind::Null ? std::string() : std::string(word);
    }
    return true;
}

bool JsonObjectStream::ReadNumber(std::string* text) {
    std::string digits;
    const auto take = [&] {
        const int c = Get();
        if (digits.size() >= kMaxNumberChars) {
            return Fail("a number longer than " + std::to_string(kMaxNumberChars) + " characters");
        }
        digits += static_cast<char>(c);
        return true;
    };
    const auto takeDigits = [&] {
        if (!IsDigit(Peek())) {
            return Fail("expected a digit in a number, found " + Shown(Peek()));
        }
        while (IsDigit(Peek())) {
            if (!take()) {
                return false;
            }
        }
        return true;
    };
    if (Peek() == '-' && !take()) {
        return false;
    }
    if (Peek() == '0') {
        if (!take()) {
            return false;
        }
    } else if (!takeDigits()) {
        return false;
    }
    if (Peek() == '.' && (!take() || !takeDigits())) {
        return false;
    }
    if (Peek() == 'e' || Peek() == 'E') {
        if (!take() || ((Peek() == '+' || Peek() == '-') && !take()) || !takeDigits()) {
            return false;
        }
    }
    if (text != nullptr) {
        *text = std::move(digits);
    }
    return true;
}

bool JsonObjectStream::ReadHex4(unsigned& value) {
    value = 0;
    for (int i = 0; i < 4; ++i) {
        const int c = Get();
        unsigned digit = 0;
        if (IsDigit(c)) {
            digit = static_cast<unsigned>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<unsigned>(c - 'a' + 10);
        } else if (c >= 'A' && c <= 'F') {
            digit = static_cast<unsigned>(c - 'A' + 10);
        } else {
            return Fail("expected four hexadecimal digits after \\u, found " + Shown(c));
        }
        value = (value << 4) | digit;
    }
    return true;
}

bool JsonObjectStream::ReadEscape(std::string* text, std::size_t& kept, bool* cut) {
    const int c = Get();
    std::string decoded;
    switch (c) {
    case '"':
    case '\\':
    case '/':
        decoded = static_cast<char>(c);
        break;
    case 'b':
        decoded = '\b';
        break;
    case 'f':
        decoded = '\f';
        break;
    case 'n':
        decoded = '\n';
        break;
    case 'r':
        decoded = '\r';
        break;
    case 't':
        decoded = '\t';
        break;
    case 'u': {
        unsigned code = 0;
        if (!ReadHex4(code)) {
            return false;
        }
        if (code >= kHighSurrogateFirst && code < kLowSurrogateFirst) {
            // A pair stands for one character beyond the first plane; half a pair for none.
            unsigned low = 0;
            if (Peek() == '\\') {
                Get();
                if (Get() != 'u' || !ReadHex4(low)) {
                    return Fail("a broken \\u escape after half a surrogate pair");
                }
            }
            code = low >= kLowSurrogateFirst && low <= kLowSurrogateLast
                       ? kSupplementaryFirst + ((code - kHighSurrogateFirst) << kSurrogateBits) +
                             (low - kLowSurrogateFirst)
                       : kReplacementCharacter;
        } else if (code >= kLowSurrogateFirst && code <= kLowSurrogateLast) {
            code = kReplacementCharacter;
        }
        AppendUtf8(decoded, code);
        break;
    }
    default:
        return Fail("an unknown escape \\" + std::string(1, static_cast<char>(c)) + " in a text");
    }
    if (text != nullptr) {
        if (kept + decoded.size() <= maxTextBytes_) {
            *text += decoded;
            kept += decoded.size();
        } else {
            *cut = true;
            kept = maxTextBytes_;
        }
    }
    return true;
}

bool JsonObjectStream::ReadString(std::string* text, bool* cut) {
    Get(); // the opening quote
    if (text != nullptr) {
        text->clear();
        *cut = false;
    }
    std::size_t kept = 0;
    while (true) {
        if (!Fill()) {
            return Fail("the file ends inside a text");
        }
        // The plain run up to the next quote, escape or control character, in one step.
        const char* begin = buffer_.data() + position_;
        const char* end = buffer_.data() + end_;
        const char* stop = std::find_if(begin, end, [](char ch) {
            const auto byte = static_cast<unsigned char>(ch);
            return byte == '"' || byte == '\\' || byte < 0x20;
        });
        const auto run = static_cast<std::size_t>(stop - begin);
        if (text != nullptr && run > 0) {
            const std::size_t room = maxTextBytes_ - kept;
            text->append(begin, std::min(run, room));
            if (run > room) {
                *cut = true;
            }
            kept += std::min(run, room);
        }
        position_ += run;
        column_ += run;
        if (stop == end) {
            continue;
        }
        const int c = Get();
        if (c == '"') {
            return true;
        }
        if (c != '\\') {
            return Fail("a control character (" + Shown(c) + ") inside a text");
        }
        if (!ReadEscape(text, kept, cut)) {
            return false;
        }
    }
}

} // namespace sonavia::radiocat
