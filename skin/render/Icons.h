#pragma once

// The program's own icons and cursors, and the station tree's two small pictures.

#include <QImage>
#include <vector>

namespace sonavia::skin {

// Each picture is drawn `scale` times as fine as its size in window pixels.
std::vector<QImage> TrayIconFrames(int scale = 1);
QImage WindowIcon(int scale = 1);
// The window icon's drawing at any size: the launcher's icons.
QImage ApplicationIcon(int size);
QImage NormalCursor(int scale = 1);
QImage PressedCursor(int scale = 1);
// The station tree's pictures, 11 x 12.
enum class TreePicture { Listed, Selected, Failed };
QImage TreeBitmap(TreePicture picture, int scale = 1);

} // namespace sonavia::skin
