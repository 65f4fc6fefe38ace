#include "catalogue/Package.h"

#include "catalogue/Config.h"
#include "catalogue/Fetch.h"

namespace sonavia {

ChannelPackage ChoosePackage() {
    ChannelPackage package;
    package.currentPackage = kStartupPackage;
    package.packageBase =
        RadioCatalogueBase() + kPackagesFolder + "/" + package.currentPackage + "/";
    return package;
}

void ApplyRadioPackageFlags(ChannelPackage& package, RadioCatalogue& catalogue,
                            std::stop_token stop) {
    package.packageBase = WithoutFinalSeparator(package.packageBase);
    const std::string flags =
        FetchText(FlagsUrl(package.packageBase), kFlagsProfile, std::move(stop));
    ApplyPackageFlags(catalogue, flags);
}

std::string InfoTipFor(const RadioCatalogue& catalogue, std::string_view name) {
    const auto position = FindStation(catalogue, name);
    return position ? catalogue.records[*position].key : std::string();
}

} // namespace sonavia
