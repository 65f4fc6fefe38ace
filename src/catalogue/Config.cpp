#include "catalogue/Config.h"

#include <cstdlib>

// SONAVIA_DEFAULT_CATALOGUE_BASE, SONAVIA_DEFAULT_SITE_BASE and SONAVIA_DEFAULT_SEARCH_BASE come
// from the build (see CMakeLists.txt beside this file).

namespace sonavia {

namespace {

// The variable's value, else the default; a final "/" is added when it is missing, since every
// path is appended to the base as it stands.
std::string BaseFrom(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    std::string base = (value != nullptr && *value != '\0') ? value : fallback;
    if (base.back() != '/') {
        base.push_back('/');
    }
    return base;
}

} // namespace

std::string CatalogueServerBase() {
    return BaseFrom(kCatalogueBaseVariable, SONAVIA_DEFAULT_CATALOGUE_BASE);
}

std::string SiteBase() {
    return BaseFrom(kSiteBaseVariable, SONAVIA_DEFAULT_SITE_BASE);
}

std::string SearchBase() {
    return BaseFrom(kSearchBaseVariable, SONAVIA_DEFAULT_SEARCH_BASE);
}

std::string RadioCatalogueBase() {
    return CatalogueServerBase() + kCatalogueProductFolder;
}

std::string RadioSiteBase() {
    return SiteBase() + kSiteProductFolder;
}

} // namespace sonavia
