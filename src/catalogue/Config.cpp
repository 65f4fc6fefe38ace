#include "catalogue/Config.h"

#include "rules/LinkAddresses.h"

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
    std::string url =
        "file://" +
        PercentEncoded(std::filesystem::absolute(folder).lexically_normal().string(), "/");
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
