#pragma once

#include <optional>
#include <string>

namespace sonavia {

// Where the program shows its windows, chosen before the application object exists.
//
// A Wayland desktop gets the program's native Wayland window wherever Qt's Wayland plugin is
// installed, XWayland or none: the window is translucent outside its shape and holds the browser
// pane in its own surface, so it looks and acts the same under every compositor, while an X11
// client's pane is placed only where the compositor's X window manager honours the program's
// positions. An X server serves where there is no Wayland display, or no plugin for it. A
// platform that the user set is left as it is.
enum class DisplayChoice {
    AsSet,
    X11,
    Wayland,
    // Neither display is there: the program cannot show a window.
    NoDisplay,
    // A Wayland display without an X server beside it, and Qt's Wayland plugin is not installed.
    NoWaylandSupport,
};

struct DisplayFacts {
    bool platformSet = false;
    bool x11Display = false;
    bool waylandDisplay = false;
    bool waylandPlugin = false;
};

DisplayChoice ChooseDisplay(const DisplayFacts& facts);

// The facts of this process's environment and Qt's installation.
DisplayFacts CurrentDisplayFacts();

// Makes the choice Qt's (QT_QPA_PLATFORM). Returns what to tell the user when no window can be
// shown, on the standard error, as there is no display to show a message on.
std::optional<std::string> PrepareDisplay();

inline constexpr char kNoDisplayText[] =
    "Sonavia Plus needs a graphical desktop: no X11 or Wayland display was found "
    "(DISPLAY and WAYLAND_DISPLAY are not set).";
inline constexpr char kNoWaylandSupportText[] =
    "Sonavia Plus needs Qt's Wayland support (the package qt6-wayland) on a Wayland desktop "
    "without X11.";

} // namespace sonavia
