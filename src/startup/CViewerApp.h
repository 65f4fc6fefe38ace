#pragma once

namespace sonavia {

// The application object: refuses to run twice, prepares the process-wide services and values,
// creates the radio base window, runs the message loop until the exit request, and cleans up.
class SingleInstanceLock;

class CViewerApp {
public:
    // The whole process life: claims the instance name, creates the application object, runs.
    int Run(int argc, char** argv);

    // Everything after the application object exists: the instance check, the start-up steps,
    // the message loop and the clean-up. With `showRunning` (--show), another instance that runs
    // is asked to show its radio window instead of being announced.
    int RunInstance(const SingleInstanceLock& instanceLock, bool showRunning = false);
};

inline constexpr char kAlreadyRunningText[] = "Sonavia is already running";
inline constexpr char kNetworkInitFailedText[] = "Network initialization failed.";
// The messages of a start without a usable interface archive: the archive's name followed by
// what is wrong with it.
inline constexpr char kArchiveNamed[] = "The interface archive Interface/radio.int ";
inline constexpr char kArchiveMissingText[] = "was not found";
// Followed by the start-up directory.
inline constexpr char kArchiveNotCopiedText[] = "could not be copied into ";
// The process's exit code when it ends without its archive.
inline constexpr int kStartFailedExitCode = 1;
// The exit code of --show when the running instance could not be asked to show its window.
inline constexpr int kNotShownExitCode = 1;

} // namespace sonavia
