#pragma once

#include "rules/RadioCatalogue.h"

#include <string>

// The catalogue and the package values: application-wide, they outlive every radio window.
namespace sonavia::catalogue {

inline RadioCatalogue radioCatalogue;

// The user's channel package and the prefix of its flag file and station address files.
inline std::string currentPackage;
inline std::string packageBase;

// Set when the version check finds a newer published version; the radio window then flashes
// its download button.
inline bool newVersionFound = false;

} // namespace sonavia::catalogue
