#pragma once

// The two requests that end the program's message loop. The exit-request flag is process-wide by
// its nature: every Exit path raises it and the shell's loop tests it. The quit request is the
// quit message's counterpart, which a signal handler and a missing player post as well. Each has
// one writer, named beside it; everything else only reads them. What the start-up finds out is
// handed down in a StartupContext instead (shell/StartupContext.h).
namespace sonavia::app {

// Written by RequestExit only (and withdrawn by ClearRequests).
inline bool exitRequested = false;
// Written by PostQuit only (and withdrawn by ClearRequests): the quit request ends the message
// loop even while the exit-request flag is false.
inline bool quitRequested = false;

// Raises the exit-request flag and ends the program's message loop once the current event has
// been handled.
void RequestExit();

// The quit request: ends the message loop, or a modal run that is under way, without raising the
// exit-request flag.
void PostQuit();

// Withdraws both requests, for a process that runs the program's loop more than once (the
// tests): the next run starts as the first did.
void ClearRequests();

} // namespace sonavia::app
