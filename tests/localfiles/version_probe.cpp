#include "localfiles/VersionRecord.h"

#include <cstdio>

// Prints the version number that this very program reports.
int main() {
    std::printf("%g\n", static_cast<double>(sonavia::ReadOwnVersionNumber()));
    return 0;
}
