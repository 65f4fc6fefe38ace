#include "controls/ArchiveImages.h"

#include <cstring>

namespace sonavia {

namespace {

constexpr int kWholeTurn = 360;

std::optional<DecodedBitmap> keptBackground;

std::optional<DecodedBitmap> DecodeEntry(const InterfacePackDirectory& directory,
                                         std::string_view name) {
    const auto data = ReadArchiveEntry(directory, FindArchiveEntry(directory, name));
    if (!data) {
        return std::nullopt;
    }
    return DecodeBitmap(*data);
}

// A shift by a whole turn gives every colour back unchanged (the hue shift tests check it), so
// the default hue costs no recolouring of the skin at start-up.
void ShiftHueUnlessWholeTurn(DecodedBitmap& bitmap, int hue) {
    if (hue % kWholeTurn != 0) {
        ShiftHue(bitmap, hue);
    }
}

} // namespace

QImage ToImage(const DecodedBitmap& bitmap) {
    const int width = bitmap.Width();
    const int height = bitmap.Height();
    QImage image(width, height, QImage::Format_RGB32);
    if (image.isNull()) {
        return image;
    }
    const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
    for (int y = 0; y < height; ++y) {
        const std::uint8_t* src = bitmap.bits.data() + (height - 1 - y) * rowBytes;
        auto* dst = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* px = src + x * 4;
            dst[x] = qRgb(px[2], px[1], px[0]);
        }
    }
    return image;
}

QImage LoadArchiveBitmap(const InterfacePackDirectory& directory, std::string_view name) {
    const auto bitmap = DecodeEntry(directory, name);
    return bitmap ? ToImage(*bitmap) : QImage();
}

QImage LoadArchiveBitmapShifted(const InterfacePackDirectory& directory, std::string_view name,
                                int hue) {
    auto bitmap = DecodeEntry(directory, name);
    if (!bitmap) {
        return {};
    }
    ShiftHueUnlessWholeTurn(*bitmap, hue);
    return ToImage(*bitmap);
}

QImage LoadBackgroundBitmapShifted(const InterfacePackDirectory& directory, std::string_view name,
                                   int hue) {
    auto bitmap = DecodeEntry(directory, name);
    if (!bitmap) {
        return {};
    }
    ShiftHueUnlessWholeTurn(*bitmap, hue);
    keptBackground = std::move(bitmap);
    return ToImage(*keptBackground);
}

const std::optional<DecodedBitmap>& KeptBackgroundBitmap() {
    return keptBackground;
}

void ReleaseBackgroundBitmap() {
    keptBackground.reset();
}

} // namespace sonavia
