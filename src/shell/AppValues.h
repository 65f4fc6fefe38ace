#pragma once

#include "localfiles/InterfaceArchive.h"
#include "localfiles/VersionRecord.h"
#include "rules/Product.h"

#include <filesystem>

// Values set once at start-up and read by windows all over the program. They belong to no
// window, so they are plain process-wide values.
namespace sonavia::app {

// Each value has one writer, named beside it; everything else only reads it.
// Written by CViewerApp at start-up.
inline int screenHeight = 0;
// Written by CViewerApp at start-up.
inline std::filesystem::path startupDirectory;
// Written by CViewerApp at start-up.
inline float versionNumber = kInitialVersionNumber;
// Written by CViewerApp at start-up; released by it at the end of the message loop.
inline InterfacePackDirectory interfacePack;
// Written by RequestExit only.
inline bool exitRequested = false;
// Written by PostQuit only: the quit request ends the message loop even while the exit-request
// flag is false.
inline bool quitRequested = false;

// The start-up directory's kInterfaceFolder / kInterfaceArchiveName.
std::filesystem::path InterfaceArchivePath();

// Raises the exit-request flag and ends the program's message loop once the current event has
// been handled.
void RequestExit();

// The quit request: ends the message loop, or a modal run that is under way, without raising the
// exit-request flag.
void PostQuit();

} // namespace sonavia::app
