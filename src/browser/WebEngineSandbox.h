#pragma once

namespace sonavia {

// Runs the web engine's sandbox for everyone but the superuser, whom the engine refuses to run
// for with it: the sandbox is lifted for the superuser and kept for any other user, whatever the
// environment asks. Takes effect for the engine of this process only before the first web view
// exists, so the start-up calls it before the application object; the control calls it again
// before it makes a view or starts the browser program, which runs with this environment, and
// the browser program calls it too.
void PrepareWebEngine();
// The same for a process run by the superuser or not.
void PrepareWebEngineFor(bool superuser);
// Qt on X11 makes its OpenGL support ready when asked whether there is any, and that loads the
// graphics driver (and, for software rendering, libLLVM). The web view draws in software, so the
// engine, which asks, is told there is none, unless the user chose an integration. Takes effect
// before the first web view exists.
void KeepWebEngineOffOpenGl();

} // namespace sonavia
