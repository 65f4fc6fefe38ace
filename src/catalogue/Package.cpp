#include "catalogue/Package.h"

#include "catalogue/CatalogueValues.h"
#include "catalogue/Config.h"
#include "catalogue/Fetch.h"

namespace sonavia {

void ChoosePackage() {
    catalogue::currentPackage = kStartupPackage;
    catalogue::packageBase =
        RadioCatalogueBase() + kPackagesFolder + "/" + catalogue::currentPackage + "/";
}

void ApplyRadioPackageFlags() {
    catalogue::packageBase = WithoutFinalSeparator(catalogue::packageBase);
    const std::string flags = FetchText(FlagsUrl(catalogue::packageBase), kFlagsProfile);
    ApplyPackageFlags(catalogue::radioCatalogue, flags);
}

std::string InfoTipFor(std::string_view name) {
    const auto position = FindStation(catalogue::radioCatalogue, name);
    return position ? catalogue::radioCatalogue.records[*position].key : std::string();
}

StationAddress StationAddressFor(std::string_view name) {
    const auto position = FindStation(catalogue::radioCatalogue, name);
    if (!position) {
        return {};
    }
    const int n = catalogue::radioCatalogue.records[*position].index + 1;
    return {true, FetchItemText(ItemKind::RadioStation, n)};
}

} // namespace sonavia
