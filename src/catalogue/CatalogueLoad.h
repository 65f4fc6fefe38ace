#pragma once

#include "catalogue/Config.h"
#include "localfiles/InterfaceArchive.h"
#include "rules/RadioCatalogue.h"

#include <stop_token>
#include <string>

namespace sonavia {

// The catalogue file on the server, below the radio catalogue base, and its copy in the
// interface archive.
inline constexpr char kCatalogueFolder[] = "channelsplus";
inline constexpr char kCatalogueFile[] = "channels.rd";

// The downloaded catalogue text; empty on any failure and when the server sent a web page.
std::string FetchCatalogueText(const ServerBases& bases, std::stop_token stop = {});

struct LoadedRadioCatalogue {
    RadioCatalogue catalogue;
    // Whether it came from the server rather than the archive's copy.
    bool fromServer = false;
};

// The catalogue: the downloaded text, else the interface archive's copy, else nothing (an empty
// catalogue). A stopped load gives the empty catalogue.
LoadedRadioCatalogue LoadRadioCatalogue(const ServerBases& bases,
                                        const InterfacePackDirectory& archive,
                                        std::stop_token stop = {});

} // namespace sonavia
