#pragma once

#include <cstddef>
#include <cstdint>
#include <istream>
#include <map>
#include <string>
#include <vector>

namespace sonavia::radiocat {

// One value of an object's field, as far as a station export needs it.
struct JsonField {
    enum class Kind { Null, Boolean, Number, String, Array, Object };
    Kind kind = Kind::Null;
    // A string's text (UTF-8 as the escapes give it), a number's digits, "true" or "false".
    std::string text;
    // The string was longer than the reader keeps: `text` holds its first bytes.
    bool cut = false;
};

// The fields of one object that the reader was asked for, by name.
using JsonObject = std::map<std::string, JsonField, std::less<>>;

// Reads a JSON array of objects one object at a time, from an input of any length: it holds one
// buffer of input and the wanted fields of one object, each string cut at a byte limit, so that
// neither the size of the file nor that of any value in it decides the memory it takes. Fields
// not asked for, and values nested in them, are read over and not kept.
class JsonObjectStream {
public:
    enum class Step { Object, End, Error };

    JsonObjectStream(std::istream& in, std::vector<std::string> wanted, std::size_t maxTextBytes);

    // The next object of the array into `object` (Object), the end of the array once only
    // white space follows it (End), or a fault of the input (Error, then ErrorText).
    Step Next(JsonObject& object);

    // What is wrong and where: the line and column of the input, counted in bytes from 1.
    const std::string& ErrorText() const { return error_; }
    // Objects read so far.
    std::uint64_t Objects() const { return objects_; }

private:
    static constexpr int kEnd = -1;

    int Peek();
    int Get();
    void SkipSpace();
    bool Expect(char wanted, const char* what);
    bool Fail(const std::string& what);
    bool ReadValue(JsonField* field, int depth);
    bool ReadString(std::string* text, bool* cut);
    bool ReadEscape(std::string* text, std::size_t& kept, bool* cut);
    bool ReadHex4(unsigned& value);
    bool ReadNumber(std::string* text);
    bool ReadWord(const char* word, JsonField* field, JsonField::Kind kind);
    bool ReadContainer(char close, int depth);
    bool Fill();
    std::string Where() const;

    std::istream& in_;
    const std::vector<std::string> wanted_;
    const std::size_t maxTextBytes_;
    std::vector<char> buffer_;
    std::size_t position_ = 0;
    std::size_t end_ = 0;
    std::uint64_t line_ = 1;
    std::uint64_t column_ = 1;
    std::uint64_t objects_ = 0;
    enum class State { Start, First, Next, Done, Failed } state_ = State::Start;
    std::string error_;
};

} // namespace sonavia::radiocat
