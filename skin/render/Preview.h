#pragma once

// A picture of the skin's small parts for the documentation, made from the packed archive through
// the program's own bitmap reader (the window itself is grabbed from the real window).

#include <QImage>
#include <filesystem>

namespace sonavia::skin {

// The film frames, the download button's two faces, the icons, cursors and tree pictures.
QImage PartsSheet(const std::filesystem::path& archivePath);

} // namespace sonavia::skin
