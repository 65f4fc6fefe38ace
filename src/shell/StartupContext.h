#pragma once

#include "localfiles/InterfaceArchive.h"
#include "localfiles/VersionRecord.h"

#include <filesystem>

namespace sonavia {

// What the start-up finds out once and the windows read for the rest of the run: the places of
// the program's files, its own version and the screen. Filled by the start-up (CViewerApp, or a
// test, benchmark or preview that stands in for it) and handed down; nothing writes it after.
struct StartupContext {
    // The primary screen's height in pixels; the browser pane takes its size from it.
    int screenHeight = 0;
    // Every data file of the program lies below it.
    std::filesystem::path startupDirectory;
    // Holds the bundled catalogue/ and site/.
    std::filesystem::path dataDirectory;
    float versionNumber = kInitialVersionNumber;
    InterfacePackDirectory interfacePack;

    // startupDirectory / kInterfaceFolder / kInterfaceArchiveName.
    std::filesystem::path InterfaceArchivePath() const;
};

} // namespace sonavia
