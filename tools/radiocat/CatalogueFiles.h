#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The catalogue folder as the program reads it, and the station list it is made from.
namespace sonavia::radiocat {

// Where each file lies below the catalogue folder.
std::string CataloguePath();    // Sonavia/channelsplus/channels.rd
std::string FlagsPath();        // Sonavia/freechannels/package0.rd
std::string AddressPath(int n); // Sonavia/freechannels/package0/<n>.rd
std::string ShoppingRootPath(); // Sonavia/shoppingroot.all
std::string ShoppingListPath(); // Sonavia/shopping.rd

// A fault found in an input or a folder: the line it concerns (0 for the whole file).
struct Problem {
    std::string file;
    int line = 0;
    std::string text;
};

// One station of the list, with the line it came from.
struct Station {
    int line = 0;
    std::string country;
    std::string name;
    std::string description;
    std::string address;
    bool offered = false;
};

// Reads a station list: UTF-8 text, one station a line with five columns separated by tabs
// (country, name, description, stream address, offered 1 or 0). Blank lines and lines whose
// first non-blank character is "#" are comments. Every fault is reported with its line,
// including stations the program could not read back as written.
std::vector<Station> ReadStationList(std::string_view text, const std::string& file,
                                     std::vector<Problem>& problems);

// Reports what the program could not read back as written: an empty country or name, a field
// with a control character, one that the "#" rule would cut or that reads as a web page, and a
// stream address that is empty, not ASCII, without a scheme or longer than the program reads.
void CheckStation(const Station& station, const std::string& file, std::vector<Problem>& problems);

// The bytes that station n (from 1) takes in the catalogue text, and those of its header line.
std::size_t CatalogueRecordBytes(const Station& station, int n);
std::size_t CatalogueHeaderBytes(std::size_t count);

// Reads a shopping topic file: one topic a line, comments as in the station list.
std::vector<std::string> ReadShoppingTopics(std::string_view text, const std::string& file,
                                            std::vector<Problem>& problems);

// A shopping root is an address without blanks that fits the program's read of it.
void CheckShoppingRoot(std::string_view root, std::vector<Problem>& problems);

// One file of a catalogue folder: its path below the folder and its bytes.
struct FolderFile {
    std::string path;
    std::string bytes;
};

// Every file of the catalogue folder for these stations; each shopping file only when it is
// given.
std::vector<FolderFile>
CatalogueFolderFiles(const std::vector<Station>& stations,
                     const std::optional<std::string>& shoppingRoot,
                     const std::optional<std::vector<std::string>>& shoppingTopics);

} // namespace sonavia::radiocat
