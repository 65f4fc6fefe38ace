#pragma once

#include <string>
#include <string_view>

namespace sonavia {

// What the command line asks for.
enum class CommandAction {
    // Start the player.
    Run,
    // Open the running player's radio window, or start the player when none runs.
    Show,
    // Print the usage, or the version, and end: nothing starts and no file is written.
    Help,
    Version,
    // A word the program does not know: the error is printed and the program ends.
    Invalid,
};

struct CommandLine {
    CommandAction action = CommandAction::Run;
    // For Invalid: the word, as given.
    std::string unknown;
    // --verbose: the log records every step, not only what went wrong.
    bool verbose = false;
};

// Reads the program's arguments (argv[0] is the program). The program's own options are
// --show, --verbose, --help (-h) and --version; the options of the window toolkit (-platform NAME,
// -display NAME, -reverse, ...) pass through for it to take. Help and version win over the
// rest; any other word makes the line Invalid.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// What --help prints, for the program named `program`.
std::string UsageText(std::string_view program);
// What --version prints: the product's name and its version number.
std::string VersionText(float versionNumber);
// What an Invalid line prints before the program ends.
std::string InvalidText(std::string_view program, std::string_view unknown);

// The exit code of an Invalid command line.
inline constexpr int kUsageExitCode = 2;

} // namespace sonavia
