#pragma once

#include "localfiles/Bitmap.h"
#include "localfiles/InterfaceArchive.h"

#include <QImage>
#include <optional>
#include <string_view>

namespace sonavia {

// The decoded picture as a 32-bit image with the top row first.
QImage ToImage(const DecodedBitmap& bitmap);

// The skin pictures' scale for a screen of `devicePixelRatio` device pixels per window pixel:
// the pictures drawn twice as fine from 1.5 on, below that the plain ones.
inline constexpr int kFineSkinScale = 2;
int SkinScaleFor(double devicePixelRatio);

// A bitmap entry of the interface archive as stored; a null image when the entry is missing or
// is not a bitmap. At `scale` 2 the entry drawn twice as fine (ScaledEntryName) is read, with
// its device pixel ratio set to 2 so that it keeps its size in window pixels; an archive without
// it (a skin made before such pictures) gives the plain entry.
QImage LoadArchiveBitmap(const InterfacePackDirectory& directory, std::string_view name,
                         int scale = 1);

// The same with `hue` degrees added to every pixel's hue.
QImage LoadArchiveBitmapShifted(const InterfacePackDirectory& directory, std::string_view name,
                                int hue, int scale = 1);

// The picture with its key colour (the colour of pixel (0, 0)) made transparent: for pictures
// drawn over the window rather than copied plainly.
QImage WithKeyTransparent(const QImage& picture);

// A keyed picture as a screen of `devicePixelRatio` shows it, one image pixel per device pixel,
// so that the window's shape and its painting meet at every device pixel. A picture of that
// ratio already is returned as it is; otherwise it is resampled smoothly from its pixels inside
// the shape alone (the key never bleeds into the edge), and a device pixel at least half covered
// by the shape is inside it.
QImage AtDevicePixelRatio(const QImage& picture, double devicePixelRatio);

} // namespace sonavia
