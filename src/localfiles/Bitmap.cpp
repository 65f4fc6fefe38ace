#include "localfiles/Bitmap.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

namespace sonavia {

namespace {

constexpr std::uint32_t kCompressionRgb = 0;
constexpr std::uint32_t kCompressionBitfields = 3;
// Larger sides are refused before any allocation; the skin is far smaller.
constexpr std::int64_t kMaxSide = 16384;
constexpr double kFullCircle = 360.0;
constexpr double kSector = 60.0;
constexpr double kRoundingMargin = 1e-7;

std::uint32_t Le(std::span<const std::uint8_t> bytes, std::size_t at, int width) {
    std::uint32_t value = 0;
    for (int i = 0; i < width; ++i) {
        value |= static_cast<std::uint32_t>(bytes[at + i]) << (8 * i);
    }
    return value;
}

void PutLe(std::string& out, std::uint32_t value, int width) {
    for (int i = 0; i < width; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFFu));
    }
}

BitmapInfoHeader ReadInfoHeader(std::span<const std::uint8_t> file) {
    const std::size_t at = kBitmapFileHeaderBytes;
    BitmapInfoHeader h;
    h.size = Le(file, at, 4);
    h.width = static_cast<std::int32_t>(Le(file, at + 4, 4));
    h.height = static_cast<std::int32_t>(Le(file, at + 8, 4));
    h.planes = static_cast<std::uint16_t>(Le(file, at + 12, 2));
    h.bitCount = static_cast<std::uint16_t>(Le(file, at + 14, 2));
    h.compression = Le(file, at + 16, 4);
    h.sizeImage = Le(file, at + 20, 4);
    h.xPelsPerMeter = static_cast<std::int32_t>(Le(file, at + 24, 4));
    h.yPelsPerMeter = static_cast<std::int32_t>(Le(file, at + 28, 4));
    h.clrUsed = Le(file, at + 32, 4);
    h.clrImportant = Le(file, at + 36, 4);
    return h;
}

} // namespace

Rgb DecodedBitmap::Pixel(int x, int y) const {
    const std::size_t row = static_cast<std::size_t>(header.height - 1 - y);
    const std::size_t at = (row * static_cast<std::size_t>(header.width) + x) * 4;
    return Rgb{bits[at + 2], bits[at + 1], bits[at]};
}

std::optional<DecodedBitmap> DecodeBitmap(std::span<const std::uint8_t> file) {
    if (file.size() < kBitmapFileHeaderBytes + kBitmapInfoHeaderBytes ||
        Le(file, 0, 2) != kBitmapMagic) {
        return std::nullopt;
    }
    const std::uint32_t bitsOffset = Le(file, 10, 4);
    const BitmapInfoHeader in = ReadInfoHeader(file);
    const std::int64_t width = in.width;
    const std::int64_t height = in.height < 0 ? -static_cast<std::int64_t>(in.height) : in.height;
    const bool topDown = in.height < 0;
    const std::uint16_t depth = in.bitCount;
    const bool plain = in.compression == kCompressionRgb ||
                       (in.compression == kCompressionBitfields && depth == 32);
    if (in.size < kBitmapInfoHeaderBytes || width <= 0 || height <= 0 || width > kMaxSide ||
        height > kMaxSide || !plain ||
        (depth != 1 && depth != 4 && depth != 8 && depth != 24 && depth != 32)) {
        return std::nullopt;
    }
    const std::int64_t stride = ((width * depth + 31) / 32) * 4;
    if (bitsOffset > file.size() ||
        stride * height > static_cast<std::int64_t>(file.size() - bitsOffset)) {
        return std::nullopt;
    }

    std::vector<Rgb> palette;
    if (depth <= 8) {
        const std::uint64_t paletteAt =
            kBitmapFileHeaderBytes + static_cast<std::uint64_t>(in.size);
        const std::uint64_t maxColours = 1u << depth;
        const std::uint64_t colours =
            in.clrUsed == 0 ? maxColours : std::min<std::uint64_t>(in.clrUsed, maxColours);
        if (paletteAt > file.size() || colours * 4 > file.size() - paletteAt) {
            return std::nullopt;
        }
        for (std::uint64_t i = 0; i < colours; ++i) {
            const auto at = static_cast<std::size_t>(paletteAt + i * 4);
            palette.push_back(Rgb{file[at + 2], file[at + 1], file[at]});
        }
    }

    DecodedBitmap out;
    out.header = in;
    out.header.size = kBitmapInfoHeaderBytes;
    out.header.height = static_cast<std::int32_t>(height);
    out.header.bitCount = 32;
    out.header.compression = kCompressionRgb;
    out.header.clrUsed = 0;
    out.header.clrImportant = 0;
    if (depth != 32) {
        // Converted pictures are recoloured whole.
        out.header.sizeImage = static_cast<std::uint32_t>(width * height * 4);
    }
    out.bits.resize(static_cast<std::size_t>(width * height * 4));
    for (std::int64_t row = 0; row < height; ++row) {
        // Output rows run bottom-up; a top-down source is turned over.
        const std::int64_t sourceRow = topDown ? height - 1 - row : row;
        const std::uint8_t* src = file.data() + bitsOffset + sourceRow * stride;
        std::uint8_t* dst = out.bits.data() + row * width * 4;
        for (std::int64_t x = 0; x < width; ++x) {
            std::uint8_t* px = dst + x * 4;
            if (depth == 32) {
                std::memcpy(px, src + x * 4, 4);
                continue;
            }
            if (depth == 24) {
                px[0] = src[x * 3];
                px[1] = src[x * 3 + 1];
                px[2] = src[x * 3 + 2];
                px[3] = 0;
                continue;
            }
            const std::int64_t bit = x * depth;
            const unsigned shift = static_cast<unsigned>(8 - depth - (bit % 8));
            const unsigned index = (src[bit / 8] >> shift) & ((1u << depth) - 1u);
            const Rgb colour = index < palette.size() ? palette[index] : Rgb{};
            px[0] = colour.blue;
            px[1] = colour.green;
            px[2] = colour.red;
            px[3] = 0;
        }
    }
    return out;
}

std::optional<DecodedBitmap> DecodeBitmap(const std::string& file) {
    return DecodeBitmap(std::span(reinterpret_cast<const std::uint8_t*>(file.data()), file.size()));
}

void ShiftPixelHue(std::uint8_t& blue, std::uint8_t& green, std::uint8_t& red, int hueShift) {
    const double r = red;
    const double g = green;
    const double b = blue;
    const double max = std::max({r, g, b});
    const double min = std::min({r, g, b});
    const double delta = max - min;
    const double value = max;
    const double saturation = max == 0 ? 0 : delta / max;
    if (saturation == 0) {
        return; // grey: every hue gives the same pixel
    }
    double hue;
    if (r == max) {
        hue = (g - b) / delta;
    } else if (g == max) {
        hue = 2 + (b - r) / delta;
    } else {
        hue = 4 + (r - g) / delta;
    }
    hue *= kSector;
    if (hue < 0) {
        hue += kFullCircle;
    }
    hue += hueShift;
    if (hue >= kFullCircle) {
        hue -= kFullCircle;
    }
    if (hue < 0 || hue >= kFullCircle) {
        hue = std::fmod(std::fmod(hue, kFullCircle) + kFullCircle, kFullCircle);
    }
    const int sector = std::min(static_cast<int>(std::floor(hue / kSector)), 5);
    const double f = hue / kSector - sector;
    const double p = value * (1 - saturation);
    const double q = value * (1 - saturation * f);
    const double t = value * (1 - saturation * (1 - f));
    double outR, outG, outB;
    switch (sector) {
    case 0:
        outR = value;
        outG = t;
        outB = p;
        break;
    case 1:
        outR = q;
        outG = value;
        outB = p;
        break;
    case 2:
        outR = p;
        outG = value;
        outB = t;
        break;
    case 3:
        outR = p;
        outG = q;
        outB = value;
        break;
    case 4:
        outR = t;
        outG = p;
        outB = value;
        break;
    default:
        outR = value;
        outG = p;
        outB = q;
        break;
    }
    // Truncation toward zero, after a margin far below one step that absorbs the rounding
    // error of the round trip: without it a hue of 0 turns 202 into 201.
    red = static_cast<std::uint8_t>(outR + kRoundingMargin);
    green = static_cast<std::uint8_t>(outG + kRoundingMargin);
    blue = static_cast<std::uint8_t>(outB + kRoundingMargin);
}

void ShiftHue(DecodedBitmap& bitmap, int hueShift) {
    std::size_t bytes = bitmap.header.sizeImage;
    if (bytes == 0) {
        bytes = static_cast<std::size_t>(bitmap.header.width) * bitmap.header.height * 4;
    }
    const std::size_t groups = std::min(bytes, bitmap.bits.size()) / 4;
    // Skin pictures are mostly runs of one colour: a pixel like the one before it takes the
    // colour that one got, without converting it again.
    std::array<std::uint8_t, 3> lastIn{};
    std::array<std::uint8_t, 3> lastOut{};
    bool hasLast = false;
    for (std::size_t i = 0; i < groups; ++i) {
        std::uint8_t* px = bitmap.bits.data() + i * 4;
        const std::array<std::uint8_t, 3> in{px[0], px[1], px[2]};
        if (hasLast && in == lastIn) {
            std::copy(lastOut.begin(), lastOut.end(), px);
            continue;
        }
        ShiftPixelHue(px[0], px[1], px[2], hueShift);
        lastIn = in;
        lastOut = {px[0], px[1], px[2]};
        hasLast = true;
    }
}

std::string EncodeBitmap(const DecodedBitmap& bitmap) {
    const auto imageBytes = static_cast<std::uint32_t>(bitmap.bits.size());
    const std::uint32_t offset = kBitmapFileHeaderBytes + kBitmapInfoHeaderBytes;
    const BitmapInfoHeader& h = bitmap.header;
    std::string out;
    out.reserve(offset + imageBytes);
    PutLe(out, kBitmapMagic, 2);
    PutLe(out, offset + imageBytes, 4);
    PutLe(out, 0, 4);
    PutLe(out, offset, 4);
    PutLe(out, kBitmapInfoHeaderBytes, 4);
    PutLe(out, static_cast<std::uint32_t>(h.width), 4);
    PutLe(out, static_cast<std::uint32_t>(h.height), 4);
    PutLe(out, 1, 2);
    PutLe(out, 32, 2);
    PutLe(out, kCompressionRgb, 4);
    PutLe(out, h.sizeImage, 4);
    PutLe(out, static_cast<std::uint32_t>(h.xPelsPerMeter), 4);
    PutLe(out, static_cast<std::uint32_t>(h.yPelsPerMeter), 4);
    PutLe(out, 0, 4);
    PutLe(out, 0, 4);
    out.append(reinterpret_cast<const char*>(bitmap.bits.data()), bitmap.bits.size());
    return out;
}

std::string EncodeBitmap32(int width, int height, std::span<const std::uint32_t> pixels) {
    DecodedBitmap bitmap;
    bitmap.header.width = width;
    bitmap.header.height = height;
    bitmap.header.sizeImage = static_cast<std::uint32_t>(width) * height * 4;
    bitmap.bits.resize(bitmap.header.sizeImage);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::uint32_t argb = pixels[static_cast<std::size_t>(y) * width + x];
            std::uint8_t* px =
                bitmap.bits.data() + (static_cast<std::size_t>(height - 1 - y) * width + x) * 4;
            px[0] = argb & 0xFFu;
            px[1] = (argb >> 8) & 0xFFu;
            px[2] = (argb >> 16) & 0xFFu;
            px[3] = (argb >> 24) & 0xFFu;
        }
    }
    return EncodeBitmap(bitmap);
}

} // namespace sonavia
