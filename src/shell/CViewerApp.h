#pragma once

namespace sonavia {

// The application object: refuses to run twice, prepares the process-wide services and values,
// creates the radio base window, runs the message loop until the exit request, and cleans up.
class CViewerApp {
public:
    int Run(int argc, char** argv);
};

inline constexpr char kAlreadyRunningText[] = "Sonavia is already running";
inline constexpr char kNetworkInitFailedText[] = "Network initialization failed.";
inline constexpr char kApplicationName[] = "Sonavia Plus";

} // namespace sonavia
