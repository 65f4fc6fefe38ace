#pragma once

#include <QCursor>

namespace sonavia {

// One of the skin's cursors, a picture of the program's resources (Resources.h), whose hot spot
// lies `hotX`, `hotY` window pixels from its top-left corner, for a screen of `devicePixelRatio`
// device pixels per window pixel: the finest picture the resources hold for that ratio ("@2x"
// from 1.5 on), resampled to the screen's pixels where its ratio is another.
QCursor SkinCursor(const char* resourcePath, int hotX, int hotY, double devicePixelRatio);

} // namespace sonavia
