#include "startup/CommandLine.h"

#include "rules/Product.h"

#include <algorithm>
#include <array>
#include <charconv>

namespace sonavia {

namespace {

constexpr std::string_view kShowOption = "--show";
constexpr std::array<std::string_view, 2> kHelpOptions = {"--help", "-h"};
constexpr std::string_view kVersionOption = "--version";
constexpr std::string_view kVerboseOption = "--verbose";

// The window toolkit's own options, which it takes out of the arguments itself; it accepts each
// with one dash or two, and a value either as the next word or after "=".
constexpr std::array<std::string_view, 12> kToolkitOptionsWithValue = {
    "platform",        "platformpluginpath",
    "platformtheme",   "plugin",
    "qwindowgeometry", "qwindowicon",
    "qwindowtitle",    "display",
    "geometry",        "style",
    "stylesheet",      "session"};
constexpr std::array<std::string_view, 5> kToolkitFlags = {"reverse", "widgetcount", "nograb",
                                                           "dograb", "sync"};

template <std::size_t N>
bool Contains(const std::array<std::string_view, N>& names, std::string_view name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

// The toolkit option's name without its dashes and value; empty for any other word.
std::string_view ToolkitOptionName(std::string_view word) {
    if (word.size() < 2 || word[0] != '-') {
        return {};
    }
    word.remove_prefix(word[1] == '-' ? 2 : 1);
    return word.substr(0, word.find('='));
}

} // namespace

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    bool show = false;
    bool version = false;
    bool verbose = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view word = argv[i];
        if (Contains(kHelpOptions, word)) {
            return CommandLine{CommandAction::Help, {}};
        }
        if (word == kVersionOption) {
            version = true;
            continue;
        }
        if (word == kShowOption) {
            show = true;
            continue;
        }
        if (word == kVerboseOption) {
            verbose = true;
            continue;
        }
        const std::string_view name = ToolkitOptionName(word);
        if (Contains(kToolkitFlags, name) && word.find('=') == std::string_view::npos) {
            continue;
        }
        if (Contains(kToolkitOptionsWithValue, name)) {
            // The value is the next word unless it was given after "=".
            if (word.find('=') == std::string_view::npos) {
                ++i;
            }
            continue;
        }
        if (line.action != CommandAction::Invalid) {
            line = CommandLine{CommandAction::Invalid, std::string(word)};
        }
    }
    if (version) {
        return CommandLine{CommandAction::Version, {}};
    }
    if (line.action == CommandAction::Invalid) {
        return line;
    }
    return CommandLine{show ? CommandAction::Show : CommandAction::Run, {}, verbose};
}

std::string UsageText(std::string_view program) {
    const std::string name(program);
    return "Usage: " + name + " [--show] [--verbose]\n" + kProductTitle +
           ", an internet radio player that lives in the tray.\n"
           "\n"
           "  --show       open the running player's radio window, or bring it to the front;\n"
           "               start the player when none runs\n"
           "  --verbose    log every step to standard error, not only what went wrong\n"
           "  -h, --help   print this help and end\n"
           "  --version    print the version and end\n";
}

std::string VersionText(float versionNumber) {
    // Shortest form, whatever the locale: 1.1 prints as "1.1".
    std::array<char, 32> digits{};
    const auto written = std::to_chars(digits.data(), digits.data() + digits.size(), versionNumber);
    return std::string(kProductTitle) + " " + std::string(digits.data(), written.ptr) + "\n";
}

std::string InvalidText(std::string_view program, std::string_view unknown) {
    const std::string name(program);
    const bool option = !unknown.empty() && unknown[0] == '-';
    return name + ": " + (option ? "unknown option '" : "unexpected argument '") +
           std::string(unknown) + "'\nTry '" + name + " --help' for the options.\n";
}

} // namespace sonavia
