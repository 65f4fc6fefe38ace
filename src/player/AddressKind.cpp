#include "player/AddressKind.h"

#include <algorithm>
#include <array>
#include <cctype>

namespace sonavia {

namespace {

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

// The media type without parameters ("audio/x-scpls; charset=..." gives "audio/x-scpls").
std::string MediaType(std::string_view contentType) {
    std::string type = Lower(contentType.substr(0, contentType.find(';')));
    const auto first = type.find_first_not_of(" \t");
    const auto last = type.find_last_not_of(" \t\r\n");
    return first == std::string::npos ? std::string() : type.substr(first, last - first + 1);
}

// The body from its first character that is neither white space nor a byte order mark.
std::string BodyStart(std::string_view body) {
    constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
    if (body.starts_with(kByteOrderMark)) {
        body.remove_prefix(kByteOrderMark.size());
    }
    const auto first = body.find_first_not_of(" \t\r\n");
    return first == std::string_view::npos ? std::string() : Lower(body.substr(first));
}

// The extension of the address's last path segment, lower case, without query or fragment.
std::string AddressExtension(std::string_view address) {
    address = address.substr(0, address.find_first_of("?#"));
    const auto schemeEnd = address.find("://");
    if (schemeEnd != std::string_view::npos) {
        const auto pathStart = address.find('/', schemeEnd + 3);
        address =
            pathStart == std::string_view::npos ? std::string_view() : address.substr(pathStart);
    }
    const auto slash = address.rfind('/');
    const auto name = slash == std::string_view::npos ? address : address.substr(slash + 1);
    const auto dot = name.rfind('.');
    return dot == std::string_view::npos ? std::string() : Lower(name.substr(dot));
}

bool OneOf(const std::string& value, std::initializer_list<std::string_view> choices) {
    return std::find(choices.begin(), choices.end(), value) != choices.end();
}

// Whether every line that is not blank or a comment is an address or a path: a plain M3U list.
bool LooksLikeAddressList(std::string_view body) {
    bool anyEntry = false;
    std::size_t start = 0;
    while (start < body.size()) {
        auto end = body.find('\n', start);
        if (end == std::string_view::npos) {
            end = body.size();
        }
        std::string_view line = body.substr(start, end - start);
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.remove_suffix(1);
        }
        if (!line.empty() && line.front() != '#') {
            if (std::any_of(line.begin(), line.end(),
                            [](unsigned char c) { return c < 0x20 || c == '<'; })) {
                return false;
            }
            anyEntry = true;
        }
        start = end + 1;
    }
    return anyEntry;
}

} // namespace

ReplyKind ClassifyReply(std::string_view contentType, std::string_view firstBytes,
                        std::string_view address) {
    const std::string type = MediaType(contentType);
    const std::string body = BodyStart(firstBytes);
    const std::string extension = AddressExtension(address);

    const bool m3uType = OneOf(type, {"audio/x-mpegurl", "audio/mpegurl", "application/x-mpegurl",
                                      "application/vnd.apple.mpegurl", "audio/x-mpequrl"});
    const bool m3uName = extension == ".m3u" || extension == ".m3u8";
    if (body.starts_with("#extm3u") || m3uType || m3uName) {
        if (body.find("#ext-x-") != std::string::npos) {
            return {AddressKind::LiveStream, PlaylistFormat::None};
        }
        if (body.starts_with("#extm3u") || LooksLikeAddressList(firstBytes)) {
            return {AddressKind::Playlist, PlaylistFormat::M3u};
        }
    }
    if (body.starts_with("[playlist]")) {
        return {AddressKind::Playlist, PlaylistFormat::Pls};
    }
    if (body.starts_with("<asx")) {
        return {AddressKind::Playlist, PlaylistFormat::Asx};
    }
    const bool xspfBody = body.starts_with("<") && body.find("<playlist") != std::string::npos &&
                          body.find("xspf.org/ns/0") != std::string::npos;
    if (xspfBody || (type == "application/xspf+xml" && body.starts_with("<"))) {
        return {AddressKind::Playlist, PlaylistFormat::Xspf};
    }
    // A type or name that promises a playlist whose body has no marker: an old list of
    // "FileN=" lines, say. Binary bodies stay streams whatever their label says.
    const bool textBody = !body.empty() && LooksLikeAddressList(firstBytes);
    if (textBody && (OneOf(type, {"audio/x-scpls", "audio/scpls"}) || extension == ".pls")) {
        return {AddressKind::Playlist, PlaylistFormat::Pls};
    }
    return {AddressKind::Stream, PlaylistFormat::None};
}

namespace {

constexpr std::string_view kUriAttribute = "URI=\"";

// Whether an address in a list leads elsewhere than the web: one with a scheme other than
// HTTP's. A relative address stays with the list's server.
bool LeavesTheWeb(std::string_view address) {
    while (!address.empty() && (address.front() == ' ' || address.front() == '\t')) {
        address.remove_prefix(1);
    }
    const auto colon = address.find(':');
    if (colon == std::string_view::npos || colon == 0) {
        return false;
    }
    const std::string_view scheme = address.substr(0, colon);
    const bool isScheme = std::isalpha(static_cast<unsigned char>(scheme.front())) != 0 &&
                          std::all_of(scheme.begin(), scheme.end(), [](unsigned char c) {
                              return std::isalnum(c) != 0 || c == '+' || c == '-' || c == '.';
                          });
    // A colon after a slash or a query belongs to a relative address's path.
    return isScheme && !IsWebAddress(address);
}

} // namespace

LiveListWatch::Verdict LiveListWatch::Take(std::string_view bytes) {
    if (verdict_ != Verdict::Fine) {
        return verdict_;
    }
    bytes_ += bytes.size();
    lines_ += static_cast<std::uint64_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    if (bytes_ > kMaxLiveListBytes || lines_ > kMaxLiveListLines) {
        verdict_ = Verdict::TooLong;
        return verdict_;
    }
    partial_.append(bytes);
    std::size_t start = 0;
    for (auto end = partial_.find('\n'); end != std::string::npos && verdict_ == Verdict::Fine;
         end = partial_.find('\n', start)) {
        TakeLine(std::string_view(partial_).substr(start, end - start));
        start = end + 1;
    }
    partial_.erase(0, start);
    return verdict_;
}

void LiveListWatch::TakeLine(std::string_view line) {
    while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
        line.remove_suffix(1);
    }
    if (line.empty()) {
        return;
    }
    bool local = false;
    if (line.front() != '#') {
        local = LeavesTheWeb(line);
    } else {
        for (auto at = line.find(kUriAttribute); at != std::string_view::npos && !local;
             at = line.find(kUriAttribute, at + 1)) {
            const std::string_view value = line.substr(at + kUriAttribute.size());
            local = LeavesTheWeb(value.substr(0, value.find('"')));
        }
    }
    if (local) {
        verdict_ = Verdict::NamesLocalAddress;
    }
}

bool IsWebAddress(std::string_view address) {
    const std::string lower = Lower(address.substr(0, 8));
    return lower.starts_with("http://") || lower.starts_with("https://");
}

bool HasPlaylistName(std::string_view address) {
    return OneOf(AddressExtension(address), {".pls", ".m3u", ".asx", ".xspf", ".wax", ".wvx"});
}

std::string PlaylistExtension(PlaylistFormat format) {
    switch (format) {
    case PlaylistFormat::Pls:
        return ".pls";
    case PlaylistFormat::M3u:
        return ".m3u";
    case PlaylistFormat::Asx:
        return ".asx";
    case PlaylistFormat::Xspf:
        return ".xspf";
    case PlaylistFormat::None:
        break;
    }
    return {};
}

} // namespace sonavia
