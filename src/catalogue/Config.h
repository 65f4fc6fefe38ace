#pragma once

#include <filesystem>
#include <string>

// Where the program finds its catalogue server and its maker's web site. By default both are
// folders bundled beside the program (file:// addresses below the data directory); the
// environment points them anywhere else, such as a catalogue server or a test server on the
// loopback interface.
namespace sonavia {

inline constexpr char kCatalogueBaseVariable[] = "SONAVIA_CATALOGUE_BASE";
inline constexpr char kSiteBaseVariable[] = "SONAVIA_SITE_BASE";

// The product's folder on the catalogue server and on the web site.
inline constexpr char kCatalogueProductFolder[] = "Sonavia/";
inline constexpr char kSiteProductFolder[] = "sonavia/";

// The bundled catalogue and site pages, below the data directory.
inline constexpr char kBundledCatalogueFolder[] = "catalogue";
inline constexpr char kBundledSiteFolder[] = "site";

// Sets the folder that holds the bundled catalogue and site pages: the start-up directory.
// Until it is set, that is the current directory.
void SetDataDirectory(const std::filesystem::path& directory);

// A local folder as a file:// address ending in "/"; every byte of the path other than a
// letter, a digit, "/", "-", ".", "_" and "~" is percent-encoded.
std::string FileUrlOf(const std::filesystem::path& folder);

// Scheme and host of the catalogue server, ending in "/".
std::string CatalogueServerBase();
// Scheme and host of the maker's web site, ending in "/".
std::string SiteBase();

// The catalogue server base followed by the product folder: every radio catalogue file lies
// below it.
std::string RadioCatalogueBase();
// The web site base followed by the product folder: link pages and the version file.
std::string RadioSiteBase();

} // namespace sonavia
