#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace sonavia {

// A file name, or a part of one, may be no longer than this many bytes on the usual disks; a
// recording's title and its station's folder keep well within it, so that the time, a number
// that tells two names apart and the extensions still fit.
inline constexpr std::size_t kMaxNamePartBytes = 180;

// UTF-8 text made fit for a file name: no '/', no control characters, no dots at the start
// (a hidden file, or "." and ".."), no blanks at either end, at most kMaxNamePartBytes bytes cut
// at a character's boundary. Empty when nothing is left.
std::string FileNamePart(std::string_view utf8);

// "<date> <time> <title>" of a recording that starts at local time `start`, the title made fit
// for a file name; "<date> <time>" when nothing of the title is left. The time is written with
// dots, which every disk takes in a name.
std::string RecordingStem(const std::tm& start, std::string_view title);

} // namespace sonavia
