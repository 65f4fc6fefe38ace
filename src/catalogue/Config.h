#pragma once

#include <filesystem>
#include <optional>
#include <string>

// Where the program finds its catalogue server, its maker's web site and the web search engine.
// By default the catalogue and the site are folders bundled beside the program (file://
// addresses below the data directory) and the search engine is the public one; the environment
// points them anywhere else, such as a catalogue server or a test server on the loopback
// interface.
namespace sonavia {

inline constexpr char kCatalogueBaseVariable[] = "SONAVIA_CATALOGUE_BASE";
inline constexpr char kSiteBaseVariable[] = "SONAVIA_SITE_BASE";
inline constexpr char kSearchBaseVariable[] = "SONAVIA_SEARCH_BASE";
// The public web search engine's home page; searches go to its "search?hl=en&q=".
inline constexpr char kPublicSearchBase[] = "https://www.google.com/";

// The product's folder on the catalogue server and on the web site.
inline constexpr char kCatalogueProductFolder[] = "Sonavia/";
inline constexpr char kSiteProductFolder[] = "sonavia/";

// The bundled catalogue and site pages, below the data directory.
inline constexpr char kBundledCatalogueFolder[] = "catalogue";
inline constexpr char kBundledSiteFolder[] = "site";

// What the program's places are decided from.
struct StartupFacts {
    std::filesystem::path currentDirectory;
    // The running program's file, links resolved; empty when it cannot be known.
    std::filesystem::path executable;
    // $XDG_DATA_HOME, and the user's home folder; empty when unknown.
    std::string xdgDataHome;
    std::string home;
};

struct StartupPlaces {
    // Holds Interface/radio.int (once FillStartupDirectory has run) and the settings files.
    std::filesystem::path startupDirectory;
    // Holds the bundled catalogue/ and site/.
    std::filesystem::path dataDirectory;
    // The installed archive whose copy the start-up directory keeps; empty when the start-up
    // directory's own archive is used where it lies.
    std::filesystem::path archiveSource;

    bool operator==(const StartupPlaces&) const = default;
};

// The installed data lies in <prefix>/share/sonavia-plus, the program in <prefix>/bin.
inline constexpr char kInstalledDataFromProgram[] = "../share";
// Below $XDG_DATA_HOME, or the home folder's ".local/share" when that is unset or relative.
inline constexpr char kDefaultDataHome[] = ".local/share";

// The start-up directory is the first folder that holds Interface/radio.int of:
//  1. the current directory (a folder made ready for the program: the build folder, a test's);
//  2. the executable's folder (the build folder, started from elsewhere);
//  3. for an installed program (<executable's folder>/../share/sonavia-plus holds the archive),
//     the user's own folder $XDG_DATA_HOME/sonavia-plus, which keeps a copy of the installed
//     archive (archiveSource).
// The data directory is the first of the start-up directory, the executable's folder and the
// installed data folder that holds the bundled catalogue/, else the start-up directory.
// std::nullopt when there is no archive anywhere: the program has no skin to show.
std::optional<StartupPlaces> FindStartupPlaces(const StartupFacts& facts);

// This process's facts: its current directory, /proc/self/exe, $XDG_DATA_HOME and $HOME (the
// password database's home folder when $HOME is unset).
StartupFacts CurrentStartupFacts();

// Makes the start-up directory hold its archive: for an installed program, creates the directory
// and copies the installed archive into it when the copy is missing or differs (another version
// was installed since). False when the directory holds no archive afterwards.
bool FillStartupDirectory(const StartupPlaces& places);

// A local folder as a file:// address ending in "/"; every byte of the path other than a
// letter, a digit, "/", "-", ".", "_" and "~" is percent-encoded.
std::string FileUrlOf(const std::filesystem::path& folder);

// Where the program's requests go, decided once at start-up. Each ends in "/".
struct ServerBases {
    // The catalogue server base followed by the product folder: every radio catalogue file lies
    // below it.
    std::string catalogue;
    // The web site base followed by the product folder: link pages and the version file.
    std::string site;
    // The search engine's home page; searches are made below it.
    std::string search;
};

// The bases that the environment names, else the catalogue and site pages bundled below
// `dataDirectory` (StartupPlaces above) and the public search engine.
ServerBases ServerBasesFor(const std::filesystem::path& dataDirectory);

} // namespace sonavia
