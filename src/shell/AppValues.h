#pragma once

#include "catalogue/InterfaceArchive.h"
#include "shell/VersionRecord.h"

#include <filesystem>

// Values set once at start-up and read by windows all over the program. They belong to no
// window, so they are plain process-wide values.
namespace sonavia::app {

inline int screenHeight = 0;
inline std::filesystem::path startupDirectory;
inline float versionNumber = kInitialVersionNumber;
inline InterfacePackDirectory interfacePack;
inline bool exitRequested = false;
// Set by the quit request, which ends the message loop even while the exit-request flag is 0.
inline bool quitRequested = false;

// The folder and file name of the interface archive below the start-up directory.
inline constexpr char kInterfaceFolder[] = "Interface";
inline constexpr char kInterfaceArchiveName[] = "radio.int";

std::filesystem::path InterfaceArchivePath();

// Raises the exit-request flag and ends the program's message loop once the current event has
// been handled.
void RequestExit();

// The quit request: ends the message loop, or a modal run that is under way, without raising the
// exit-request flag.
void PostQuit();

} // namespace sonavia::app
