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

// The outcome of a look-up of a station's stream address.
struct StationAddress {
    // A station of that name exists, and its address file was asked for.
    bool known = false;
    // Empty when the request failed or the server sent a web page.
    std::string address;
    // The user is told of this case (kChannelInformationFailedText); an unknown name is silent.
    bool Failed() const { return known && address.empty(); }
};

// The stream address of the first station of that name, from its address file. An unknown name
// makes no request.
StationAddress StationAddressFor(std::string_view name);

} // namespace sonavia
