#include "components/PlaylistEntries.h"

#include <glib.h>
#include <glib/gstdio.h>
#include <memory>
#include <totem-pl-parser.h>
#include <unistd.h>

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
