#pragma once

namespace sonavia {

// Asks the program that runs already, through its media controls on the session bus (Raise), to
// open its radio window or bring it to the front. Waits a few seconds for a program that is still
// starting to offer its media controls. Returns whether the program took the request; false
// without a session bus, or when the program does not answer.
bool RaiseRunningInstance();

} // namespace sonavia
