#pragma once

#include "catalogue/Config.h"
#include "rules/RadioCatalogue.h"

#include <stop_token>
#include <string>
#include <string_view>

// The user's channel package: which stations are offered, and where their address files lie.
namespace sonavia {

inline constexpr char kStartupPackage[] = "package0";
inline constexpr char kPackagesFolder[] = "freechannels";

// The package values, set once per run.
struct ChannelPackage {
    // The package's name; written into and compared with channel.dat.
    std::string currentPackage;
    // The prefix of the package's flag file and of the station address files.
    std::string packageBase;
};

// The start-up package and its base below the radio catalogue base ("freechannels/package0/").
ChannelPackage ChoosePackage(const ServerBases& bases);

// Fetches the package's flag file and offers exactly the stations it marks. A failed request
// offers nothing. Drops a final "/" or "\" from the package base first, for the rest of the run.
void ApplyRadioPackageFlags(ChannelPackage& package, RadioCatalogue& catalogue,
                            std::stop_token stop = {});

// The description of the first station of that name; empty when there is none.
std::string InfoTipFor(const RadioCatalogue& catalogue, std::string_view name);

} // namespace sonavia
