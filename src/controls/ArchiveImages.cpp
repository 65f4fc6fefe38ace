#include "controls/ArchiveImages.h"

#include <cmath>
#include <cstring>

namespace sonavia {

namespace {

constexpr int kWholeTurn = 360;
constexpr double kFineFromRatio = 1.5;
constexpr int kOpaqueFromAlpha = 128;
constexpr QRgb kColourBits = 0x00FFFFFF;

std::optional<DecodedBitmap> DecodeEntry(const InterfacePackDirectory& directory,
                                         std::string_view name) {
    const auto data = ReadArchiveEntry(directory, FindArchiveEntry(directory, name));
    if (!data) {
        return std::nullopt;
    }
    return DecodeBitmap(*data);
}

// A decoded entry and the scale it was drawn at.
struct ScaledBitmap {
    std::optional<DecodedBitmap> bitmap;
    int scale = 1;
};

ScaledBitmap DecodeEntryAt(const InterfacePackDirectory& directory, std::string_view name,
                           int scale) {
    if (scale != 1) {
        if (auto fine = DecodeEntry(directory, ScaledEntryName(name, scale))) {
            return {std::move(fine), scale};
        }
    }
    return {DecodeEntry(directory, name), 1};
}

QImage ToImageAt(const DecodedBitmap& bitmap, int scale) {
    QImage image = ToImage(bitmap);
    image.setDevicePixelRatio(scale);
    return image;
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

int SkinScaleFor(double devicePixelRatio) {
    return devicePixelRatio >= kFineFromRatio ? kFineSkinScale : 1;
}

QImage LoadArchiveBitmap(const InterfacePackDirectory& directory, std::string_view name,
                         int scale) {
    const ScaledBitmap entry = DecodeEntryAt(directory, name, scale);
    return entry.bitmap ? ToImageAt(*entry.bitmap, entry.scale) : QImage();
}

QImage LoadArchiveBitmapShifted(const InterfacePackDirectory& directory, std::string_view name,
                                int hue, int scale) {
    ScaledBitmap entry = DecodeEntryAt(directory, name, scale);
    if (!entry.bitmap) {
        return {};
    }
    ShiftHueUnlessWholeTurn(*entry.bitmap, hue);
    return ToImageAt(*entry.bitmap, entry.scale);
}

QImage WithKeyTransparent(const QImage& picture) {
    if (picture.isNull()) {
        return picture;
    }
    QImage keyed = picture.convertToFormat(QImage::Format_ARGB32);
    const QRgb key = keyed.pixel(0, 0) & kColourBits;
    for (int y = 0; y < keyed.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(keyed.scanLine(y));
        for (int x = 0; x < keyed.width(); ++x) {
            if ((line[x] & kColourBits) == key) {
                line[x] = qRgba(0, 0, 0, 0);
            }
        }
    }
    return keyed;
}

QImage AtDevicePixelRatio(const QImage& picture, double devicePixelRatio) {
    if (picture.isNull() || picture.devicePixelRatio() == devicePixelRatio) {
        return picture;
    }
    const QSizeF size = picture.deviceIndependentSize() * devicePixelRatio;
    const QSize devicePixels(static_cast<int>(std::lround(size.width())),
                             static_cast<int>(std::lround(size.height())));
    const QRgb key = picture.pixel(0, 0) | ~kColourBits;
    const QImage smooth =
        WithKeyTransparent(picture)
            .convertToFormat(QImage::Format_ARGB32_Premultiplied)
            .scaled(devicePixels, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    QImage shown(smooth.size(), QImage::Format_RGB32);
    for (int y = 0; y < smooth.height(); ++y) {
        const auto* in = reinterpret_cast<const QRgb*>(smooth.constScanLine(y));
        auto* out = reinterpret_cast<QRgb*>(shown.scanLine(y));
        for (int x = 0; x < smooth.width(); ++x) {
            if (qAlpha(in[x]) < kOpaqueFromAlpha) {
                out[x] = key;
                continue;
            }
            out[x] = qUnpremultiply(in[x]) | ~kColourBits;
            // Rounding must not turn an edge pixel into a hole.
            if (out[x] == key) {
                out[x] ^= 1;
            }
        }
    }
    shown.setDevicePixelRatio(devicePixelRatio);
    return shown;
}

} // namespace sonavia
