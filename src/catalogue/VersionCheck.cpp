#include "catalogue/VersionCheck.h"

#include "catalogue/Config.h"
#include "catalogue/Fetch.h"
#include "rules/CatalogueText.h"

namespace sonavia {

std::optional<float> CheckRadioVersion(const ServerBases& bases, float ownVersion,
                                       std::stop_token stop) {
    const std::string url = bases.site + kVersionFolder + "/" + kVersionFile;
    const std::string reply = FetchText(url, kVersionProfile, std::move(stop));
    if (reply.empty()) {
        return std::nullopt;
    }
    const float published = PublishedVersionOf(reply);
    return ownVersion < published ? std::optional<float>(published) : std::nullopt;
}

} // namespace sonavia
