#pragma once

#include "localfiles/InterfaceArchive.h"

#include <string>

namespace sonavia {

// The catalogue file on the server, below the radio catalogue base, and its copy in the
// interface archive.
inline constexpr char kCatalogueFolder[] = "channelsplus";
inline constexpr char kCatalogueFile[] = "channels.rd";

// The downloaded catalogue text; empty on any failure and when the server sent a web page.
std::string FetchCatalogueText();

// Replaces the application's catalogue: the downloaded text, else the interface archive's copy,
// else nothing (an empty catalogue).
void LoadRadioCatalogue(const InterfacePackDirectory& archive);

} // namespace sonavia
