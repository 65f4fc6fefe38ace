#pragma once

// The real radio window, opened on whatever platform the application runs (the offscreen one for
// pictures and tests), with a player that plays no sound: the program's own start-up builds it,
// so what is grabbed is what a user sees.

#include "FakePlayer.h"
#include "shell/StartupContext.h"

#include <QImage>
#include <functional>

class QWidget;

namespace sonavia {

class CStation;

// Runs the base window's start-up from `context` (filled as the program fills it: start-up
// folder, data folder, interface archive) with a FakePlayer, and calls `look` once the radio
// window is shown with the catalogue in its lists; the window is closed when `look` returns, and
// the call returns after it.
void WithRadioWindow(const StartupContext& context,
                     const std::function<void(CStation& window, FakePlayer& player)>& look);

// The window as the screen shows it. grab() paints the whole rectangle, mask or not; here the
// pixels outside the window's shape are transparent.
QImage GrabShaped(QWidget& window);

// Runs the event loop for `ms` milliseconds, as the program's would run meanwhile.
void RunEventLoop(int ms);

} // namespace sonavia
