#include "catalogue/CatalogueLoad.h"

#include "catalogue/Config.h"
#include "catalogue/Fetch.h"
#include "rules/CatalogueText.h"

namespace sonavia {

std::string FetchCatalogueText(std::stop_token stop) {
    const std::string url = RadioCatalogueBase() + kCatalogueFolder + "/" + kCatalogueFile;
    std::string text = FetchText(url, kCatalogueProfile, std::move(stop));
    return IsCatalogueWebPage(text) ? std::string() : text;
}

RadioCatalogue LoadRadioCatalogue(const InterfacePackDirectory& archive, std::stop_token stop) {
    std::string text = FetchCatalogueText(stop);
    if (stop.stop_requested()) {
        return {};
    }
    if (text.empty()) {
        text = ReadArchiveText(archive, kCatalogueFile);
    }
    return ParseCatalogue(text);
}

} // namespace sonavia
