#pragma once

// The program's own icons and cursors, and the station tree's two small pictures.

#include <QImage>
#include <vector>

namespace sonavia::skin {

std::vector<QImage> TrayIconFrames();
QImage WindowIcon();
// The window icon's drawing at any size: the launcher's icons.
QImage ApplicationIcon(int size);
QImage NormalCursor();
QImage PressedCursor();
// 11 x 12: the station as listed, and as selected.
QImage TreeBitmap(bool selected);

} // namespace sonavia::skin
