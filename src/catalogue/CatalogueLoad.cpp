#include "catalogue/CatalogueLoad.h"

#include "catalogue/CatalogueValues.h"
#include "catalogue/Config.h"
#include "catalogue/Fetch.h"
#include "rules/CatalogueText.h"

namespace sonavia {

std::string FetchCatalogueText() {
    const std::string url = RadioCatalogueBase() + kCatalogueFolder + "/" + kCatalogueFile;
    std::string text = FetchText(url, kCatalogueProfile);
    return IsCatalogueWebPage(text) ? std::string() : text;
}

void LoadRadioCatalogue(const InterfacePackDirectory& archive) {
    std::string text = FetchCatalogueText();
    if (text.empty()) {
        text = ReadArchiveText(archive, kCatalogueFile);
    }
    catalogue::radioCatalogue = ParseCatalogue(text);
}

} // namespace sonavia
