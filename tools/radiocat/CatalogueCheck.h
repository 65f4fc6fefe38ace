#pragma once

#include "CatalogueFiles.h"

#include <filesystem>
#include <vector>

namespace sonavia::radiocat {

// Reads the catalogue folder `folder` as the program would, each file with the program's own
// byte limit and parser, and returns every problem found: a count header that disagrees with
// the records, a name that is empty after cleaning or used twice, a line that the "#" rule
// would cut, text the program would take for a web page, flags shorter than the records, and
// a missing or empty address file. The shopping files are checked when present.
std::vector<Problem> CheckCatalogueFolder(const std::filesystem::path& folder);

} // namespace sonavia::radiocat
