#include "player/PlaylistEntries.h"

#include <algorithm>
#include <charconv>
#include <glib.h>
#include <glib/gstdio.h>
#include <memory>
#include <string_view>
#include <totem-pl-parser.h>
#include <unistd.h>
#include <utility>

namespace sonavia {

namespace {

bool IsNetworkAddress(const char* address) {
    const gchar* scheme = g_uri_peek_scheme(address);
    if (scheme == nullptr) {
        return false;
    }
    for (const char* allowed : {"http", "https", "mms", "mmsh", "rtsp", "rtmp"}) {
        if (g_strcmp0(scheme, allowed) == 0) {
            return true;
        }
    }
    return false;
}

void OnEntry(TotemPlParser* /*parser*/, const char* address, GHashTable* /*metadata*/,
             gpointer userData) {
    auto& entries = *static_cast<std::vector<std::string>*>(userData);
    if (address != nullptr && entries.size() < kMaxPlaylistEntries && IsNetworkAddress(address)) {
        entries.emplace_back(address);
    }
}

// The line's text without surrounding blanks and line ends.
std::string_view Trimmed(std::string_view line) {
    const auto first = line.find_first_not_of(" \t\r\n");
    if (first == std::string_view::npos) {
        return {};
    }
    return line.substr(first, line.find_last_not_of(" \t\r\n") - first + 1);
}

// Calls `take` with each line of the body, a byte order mark left out, until it returns false.
template <typename Take> void EachLine(std::string_view body, Take take) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (body.starts_with(kByteOrderMark)) {
        body.remove_prefix(kByteOrderMark.size());
    }
    while (!body.empty()) {
        const auto end = body.find('\n');
        if (!take(Trimmed(body.substr(0, end)))) {
            return;
        }
        body.remove_prefix(end == std::string_view::npos ? body.size() : end + 1);
    }
}

// Adds the entry, resolved against the playlist's address, when it is a network address.
void AddEntry(std::string_view entry, const std::string& baseAddress,
              std::vector<std::string>& entries) {
    if (entry.empty() || entries.size() >= kMaxPlaylistEntries) {
        return;
    }
    const std::string text(entry);
    gchar* resolved = g_uri_resolve_relative(baseAddress.empty() ? nullptr : baseAddress.c_str(),
                                             text.c_str(), G_URI_FLAGS_PARSE_RELAXED, nullptr);
    if (resolved != nullptr && IsNetworkAddress(resolved)) {
        entries.emplace_back(resolved);
    }
    g_free(resolved);
}

// An M3U list: every line that is not blank or a comment is an entry.
std::vector<std::string> M3uEntries(std::string_view body, const std::string& baseAddress) {
    std::vector<std::string> entries;
    EachLine(body, [&](std::string_view line) {
        if (!line.empty() && line.front() != '#') {
            AddEntry(line, baseAddress, entries);
        }
        return entries.size() < kMaxPlaylistEntries;
    });
    return entries;
}

// A PLS list: its "FileN=" keys in the order of N; a number given twice counts once, the first
// time. The body is bounded (the probe's byte limit), and so is the work: one pass and a sort.
std::vector<std::string> PlsEntries(std::string_view body, const std::string& baseAddress) {
    constexpr std::string_view kFileKey = "file";
    std::vector<std::pair<unsigned long, std::string_view>> numbered;
    EachLine(body, [&](std::string_view line) {
        const auto equals = line.find('=');
        if (equals == std::string_view::npos || equals <= kFileKey.size() ||
            g_ascii_strncasecmp(line.data(), kFileKey.data(), kFileKey.size()) != 0) {
            return true;
        }
        const std::string_view digits = line.substr(kFileKey.size(), equals - kFileKey.size());
        unsigned long number = 0;
        const auto [end, error] =
            std::from_chars(digits.data(), digits.data() + digits.size(), number);
        if (error == std::errc() && end == digits.data() + digits.size()) {
            numbered.emplace_back(number, Trimmed(line.substr(equals + 1)));
        }
        return true;
    });
    std::stable_sort(numbered.begin(), numbered.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<std::string> entries;
    for (std::size_t i = 0; i < numbered.size() && entries.size() < kMaxPlaylistEntries; ++i) {
        if (i == 0 || numbered[i].first != numbered[i - 1].first) {
            AddEntry(numbered[i].second, baseAddress, entries);
        }
    }
    return entries;
}

// A temporary file that is removed with the object.
struct TempFile {
    std::string path;
    ~TempFile() {
        if (!path.empty()) {
            g_unlink(path.c_str());
        }
    }
};

} // namespace

std::vector<std::string> PlaylistEntries(const std::string& body, PlaylistFormat format,
                                         const std::string& baseAddress) {
    std::vector<std::string> entries;
    if (format == PlaylistFormat::None || body.empty()) {
        return entries;
    }
    // The line formats are read here, in one bounded pass: the general parser can loop for ever
    // on a list that repeats a key.
    if (format == PlaylistFormat::Pls) {
        return PlsEntries(body, baseAddress);
    }
    if (format == PlaylistFormat::M3u) {
        return M3uEntries(body, baseAddress);
    }
    // The parser reads files; the bytes were fetched under our own bounds, so it gets a local
    // copy and never touches the network itself.
    const std::string nameTemplate = "sonavia-playlist-XXXXXX" + PlaylistExtension(format);
    gchar* createdPath = nullptr;
    const int fd = g_file_open_tmp(nameTemplate.c_str(), &createdPath, nullptr);
    if (fd < 0) {
        return entries;
    }
    TempFile file{createdPath};
    g_free(createdPath);
    const bool written = write(fd, body.data(), body.size()) == static_cast<ssize_t>(body.size());
    close(fd);
    if (!written) {
        return entries;
    }

    const std::unique_ptr<TotemPlParser, decltype(&g_object_unref)> parser(totem_pl_parser_new(),
                                                                           g_object_unref);
    g_object_set(parser.get(), "recurse", FALSE, "disable-unsafe", TRUE, "force", TRUE, nullptr);
    g_signal_connect(parser.get(), "entry-parsed", G_CALLBACK(OnEntry), &entries);
    gchar* fileAddress = g_filename_to_uri(file.path.c_str(), nullptr, nullptr);
    if (fileAddress != nullptr) {
        totem_pl_parser_parse_with_base(parser.get(), fileAddress, baseAddress.c_str(), FALSE);
        g_free(fileAddress);
    }
    return entries;
}

} // namespace sonavia
