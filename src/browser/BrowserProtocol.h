#pragma once

namespace sonavia::browser {

// The web engine cannot be shut down inside a process once it has started, and it keeps its core
// and two helper processes (about 120 MB together) until that process ends. So on X11 the
// browser pane's web view runs in a program of its own, "sonavia-browser", which the control
// starts when the pane shows and ends when the pane has been hidden a while: the engine and every
// process it started end with it and give their memory back.
//
// The browser lies beside the program (the build folder) or in <prefix>/lib/<data folder name>
// of an installation, like the engine's module. It is started as
//     sonavia-browser --into <window id>
// and puts its window, hidden, inside that X11 window (the control's); the window manager never
// sees it. It ends when its standard input ends, and with it every process the engine started.
inline constexpr char kProgramFile[] = "sonavia-browser";
// Qt's name for the X11 platform: only there can a window of another process lie in the program's.
inline constexpr char kX11Platform[] = "xcb";
inline constexpr char kIntoOption[] = "--into";

// The control writes one command a line to the browser's standard input; the browser takes them
// in order, so the last address loaded is the one it shows.
//   load <address, percent-encoded>    starts loading the address
//   size <width> <height>              the control's size in its pixels
//   show, hide                         the control was shown or hidden
inline constexpr char kLoad[] = "load";
inline constexpr char kSize[] = "size";
inline constexpr char kShow[] = "show";
inline constexpr char kHide[] = "hide";

// The browser writes one report a line to its standard output; other lines are not reports.
//   window <id>                        its window, inside the control's
//   showing <address, percent-encoded> the address it shows now (the user may follow links)
inline constexpr char kWindow[] = "window";
inline constexpr char kShowing[] = "showing";

} // namespace sonavia::browser
