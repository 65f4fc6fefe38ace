#pragma once

#include <filesystem>
#include <string_view>

namespace sonavia {

// Writes `bytes` to a temporary file beside `path`, flushes it and renames it over `path`, so
// that a crash mid-write leaves either the old file or the new one, never half a file.
bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes);

} // namespace sonavia
