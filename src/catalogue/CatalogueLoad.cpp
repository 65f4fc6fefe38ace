#include "catalogue/CatalogueLoad.h"

#include "catalogue/CatalogueLog.h"
#include "catalogue/Config.h"
#include "catalogue/Fetch.h"
#include "rules/CatalogueText.h"

namespace sonavia {

std::string FetchCatalogueText(const ServerBases& bases, std::stop_token stop) {
    const std::string url = bases.catalogue + kCatalogueFolder + "/" + kCatalogueFile;
    std::string text = FetchText(url, kCatalogueProfile, std::move(stop));
    if (IsCatalogueWebPage(text)) {
        qCWarning(lcCatalogue) << "the catalogue server sent a web page for" << url.c_str();
        return {};
    }
    return text;
}

LoadedRadioCatalogue LoadRadioCatalogue(const ServerBases& bases,
                                        const InterfacePackDirectory& archive,
                                        std::stop_token stop) {
    std::string text = FetchCatalogueText(bases, stop);
    if (stop.stop_requested()) {
        return {};
    }
    const bool fromServer = !text.empty();
    if (!fromServer) {
        qCWarning(lcCatalogue) << "no catalogue from the server: the interface archive's is used";
        text = ReadArchiveText(archive, kCatalogueFile);
    }
    RadioCatalogue catalogue = ParseCatalogue(text);
    qCInfo(lcCatalogue) << "catalogue from the" << (fromServer ? "server:" : "archive:")
                        << catalogue.records.size() << "entries";
    return {std::move(catalogue), fromServer};
}

} // namespace sonavia
