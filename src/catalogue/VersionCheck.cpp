#include "catalogue/VersionCheck.h"

#include "catalogue/CatalogueValues.h"
#include "catalogue/Config.h"
#include "catalogue/Fetch.h"
#include "rules/CatalogueText.h"

namespace sonavia {

void CheckRadioVersion(DownloadButton& button, float ownVersion) {
    const std::string url = RadioSiteBase() + kVersionFolder + "/" + kVersionFile;
    const std::string reply = FetchText(url, kVersionProfile);
    if (reply.empty()) {
        return;
    }
    const float published = PublishedVersionOf(reply);
    if (ownVersion < published) {
        button.SetButtonText(VersionOfferText(published));
        button.ShowButton();
        catalogue::newVersionFound = true;
    }
}

} // namespace sonavia
