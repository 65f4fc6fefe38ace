#include "catalogue/Package.h"

#include "catalogue/CatalogueLog.h"
#include "catalogue/Config.h"
#include "catalogue/Fetch.h"

namespace sonavia {

ChannelPackage ChoosePackage(const ServerBases& bases) {
    ChannelPackage package;
    package.currentPackage = kStartupPackage;
    package.packageBase = bases.catalogue + kPackagesFolder + "/" + package.currentPackage + "/";
    return package;
}

void ApplyRadioPackageFlags(ChannelPackage& package, RadioCatalogue& catalogue,
                            std::stop_token stop) {
    package.packageBase = WithoutFinalSeparator(package.packageBase);
    const std::string url = FlagsUrl(package.packageBase);
    const std::string flags = FetchText(url, kFlagsProfile, std::move(stop));
    if (flags.empty()) {
        qCWarning(lcCatalogue) << "no availability flags from" << url.c_str()
                               << "- no station is offered";
    }
    ApplyPackageFlags(catalogue, flags);
}

std::string InfoTipFor(const RadioCatalogue& catalogue, std::string_view name) {
    const auto position = FindStation(catalogue, name);
    return position ? catalogue.records[*position].key : std::string();
}

} // namespace sonavia
