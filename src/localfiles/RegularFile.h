#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>

namespace sonavia {

// The first `limit` bytes of a regular file; none when the file is missing, is anything but a
// regular file (a directory, a FIFO, a socket or a device is never waited on) or cannot be read.
// What went wrong, but for a missing file, is logged.
std::optional<std::string> ReadRegularFile(const std::filesystem::path& path, std::size_t limit);

} // namespace sonavia
