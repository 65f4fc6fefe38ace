#pragma once

#include <QGuiApplication>
#include <QLatin1String>

namespace sonavia {

// The display server that the program's windows are on, for what differs between them: an X
// server lets a program shape and place its windows, a Wayland compositor does neither.
inline bool OnX11() {
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

inline bool OnWayland() {
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

} // namespace sonavia
