#include "catalogue/Config.h"

#include <cstdlib>
#include <system_error>

namespace sonavia {

namespace {

std::filesystem::path dataDirectory;

std::filesystem::path DataDirectory() {
    if (!dataDirectory.empty()) {
        return dataDirectory;
    }
    std::error_code error;
    return std::filesystem::current_path(error);
}

bool IsUnreserved(unsigned char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
           c == '.' || c == '_' || c == '~' || c == '/';
}

// The variable's value, else the fallback; a final "/" is added when it is missing, since every
// path is appended to the base as it stands.
std::string BaseFrom(const char* variable, std::string fallback) {
    const char* value = std::getenv(variable);
    std::string base =
        (value != nullptr && *value != '\0') ? std::string(value) : std::move(fallback);
    if (base.back() != '/') {
        base.push_back('/');
    }
    return base;
}

} // namespace

void SetDataDirectory(const std::filesystem::path& directory) {
    dataDirectory = directory;
}

std::string FileUrlOf(const std::filesystem::path& folder) {
    static constexpr char kHexDigits[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (const char c : std::filesystem::absolute(folder).lexically_normal().string()) {
        const auto byte = static_cast<unsigned char>(c);
        if (IsUnreserved(byte)) {
            url.push_back(c);
        } else {
            url += {'%', kHexDigits[byte >> 4], kHexDigits[byte & 0xF]};
        }
    }
    if (url.back() != '/') {
        url.push_back('/');
    }
    return url;
}

std::string CatalogueServerBase() {
    return BaseFrom(kCatalogueBaseVariable, FileUrlOf(DataDirectory() / kBundledCatalogueFolder));
}

std::string SiteBase() {
    return BaseFrom(kSiteBaseVariable, FileUrlOf(DataDirectory() / kBundledSiteFolder));
}

std::string SearchBase() {
    return BaseFrom(kSearchBaseVariable, kPublicSearchBase);
}

std::string RadioCatalogueBase() {
    return CatalogueServerBase() + kCatalogueProductFolder;
}

std::string RadioSiteBase() {
    return SiteBase() + kSiteProductFolder;
}

} // namespace sonavia
