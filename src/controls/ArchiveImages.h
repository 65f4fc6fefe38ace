#pragma once

#include "localfiles/Bitmap.h"
#include "localfiles/InterfaceArchive.h"

#include <QImage>
#include <optional>
#include <string_view>

namespace sonavia {

// The decoded picture as a 32-bit image with the top row first.
QImage ToImage(const DecodedBitmap& bitmap);

// A bitmap entry of the interface archive as stored; a null image when the entry is missing or
// is not a bitmap.
QImage LoadArchiveBitmap(const InterfacePackDirectory& directory, std::string_view name);

// The same with `hue` degrees added to every pixel's hue.
QImage LoadArchiveBitmapShifted(const InterfacePackDirectory& directory, std::string_view name,
                                int hue);

// The background variant: also keeps the decoded header and bits of the picture, from which the
// window builds its shape. The kept picture is freed with ReleaseBackgroundBitmap.
QImage LoadBackgroundBitmapShifted(const InterfacePackDirectory& directory, std::string_view name,
                                   int hue);
const std::optional<DecodedBitmap>& KeptBackgroundBitmap();
void ReleaseBackgroundBitmap();

} // namespace sonavia
