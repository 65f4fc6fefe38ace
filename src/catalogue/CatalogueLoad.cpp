#include "catalogue/CatalogueLoad.h"

#include "catalogue/CatalogueText.h"
#include "catalogue/CatalogueValues.h"
#include "catalogue/Config.h"
#include "catalogue/Fetch.h"
#include "shell/AppValues.h"

namespace sonavia {

std::string FetchCatalogueText() {
    const std::string url = RadioCatalogueBase() + kCatalogueFolder + "/" + kCatalogueFile;
    std::string text = FetchText(url, kCatalogueProfile);
    return IsCatalogueWebPage(text) ? std::string() : text;
}

void LoadRadioCatalogue() {
    std::string text = FetchCatalogueText();
    if (text.empty()) {
        text = ReadArchiveText(app::interfacePack, kCatalogueFile);
    }
    catalogue::radioCatalogue = ParseCatalogue(text);
}

} // namespace sonavia
