#pragma once

#include <string>

// Where the program finds its catalogue server, its maker's web site and the web search engine.
// All are compiled-in defaults that the environment overrides, so that a catalogue can be served
// from anywhere, including a local folder (file://) or a test server on the loopback interface.
namespace sonavia {

inline constexpr char kCatalogueBaseVariable[] = "SONAVIA_CATALOGUE_BASE";
inline constexpr char kSiteBaseVariable[] = "SONAVIA_SITE_BASE";
inline constexpr char kSearchBaseVariable[] = "SONAVIA_SEARCH_BASE";

// The product's folder on the catalogue server and on the web site.
inline constexpr char kCatalogueProductFolder[] = "Sonavia/";
inline constexpr char kSiteProductFolder[] = "sonavia/";

// Scheme and host of the catalogue server, ending in "/".
std::string CatalogueServerBase();
// Scheme and host of the maker's web site, ending in "/".
std::string SiteBase();
// The search engine's home page, ending in "/"; searches are made below it.
std::string SearchBase();

// The catalogue server base followed by the product folder: every radio catalogue file lies
// below it.
std::string RadioCatalogueBase();
// The web site base followed by the product folder: link pages and the version file.
std::string RadioSiteBase();

} // namespace sonavia
