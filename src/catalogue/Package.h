#pragma once

#include <string>
#include <string_view>

// The user's channel package: which stations are offered, and where their address files lie.
namespace sonavia {

inline constexpr char kStartupPackage[] = "package0";
inline constexpr char kPackagesFolder[] = "freechannels";

// Sets the current package to the start-up package and the package base below the radio
// catalogue base ("freechannels/package0/").
void ChoosePackage();

// Fetches the package's flag file and offers exactly the stations it marks. A failed request
// offers nothing. Drops a final "/" or "\" from the package base first, for the rest of the run.
void ApplyRadioPackageFlags();

// The description of the first station of that name; empty when there is none.
std::string InfoTipFor(std::string_view name);

// The stream address of the first station of that name, from its address file. A failed
// request tells the user; an unknown name gives the empty text without a request or a message.
std::string StationAddressFor(std::string_view name);

} // namespace sonavia
