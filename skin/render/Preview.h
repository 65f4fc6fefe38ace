#pragma once

// Pictures of the finished skin for the documentation, made from the packed archive through the
// program's own bitmap reader and hue shift.

#include <QImage>
#include <filesystem>

namespace sonavia::skin {

// The whole radio window at `hue`: background, still film frame, download button and the
// controls drawn where the window puts them, with a soft shadow.
QImage WindowPreview(const std::filesystem::path& archivePath, int hue);

// The film frames, the download button's two faces, the icons, cursors and tree pictures.
QImage PartsSheet(const std::filesystem::path& archivePath);

} // namespace sonavia::skin
