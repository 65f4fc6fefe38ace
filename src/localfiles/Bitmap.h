#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sonavia {

inline constexpr std::uint16_t kBitmapMagic = 0x4D42; // "BM"
inline constexpr std::size_t kBitmapFileHeaderBytes = 14;
inline constexpr std::size_t kBitmapInfoHeaderBytes = 40;

// The 40-byte information header of a bitmap file.
struct BitmapInfoHeader {
    std::uint32_t size = kBitmapInfoHeaderBytes;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 32;
    std::uint32_t compression = 0;
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
};

struct Rgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const Rgb&, const Rgb&) = default;
};

// A bitmap decoded to 32 bits per pixel: groups of blue, green, red, reserved, rows from the
// bottom up as in a bitmap file. `header` describes `bits` (bitCount 32, positive height).
struct DecodedBitmap {
    BitmapInfoHeader header;
    std::vector<std::uint8_t> bits;

    int Width() const { return header.width; }
    int Height() const { return header.height; }
    // The pixel at (x, y) counted from the top-left corner.
    Rgb Pixel(int x, int y) const;
};

// Decodes a complete bitmap file image. Uncompressed 1, 4, 8, 24 and 32-bit bitmaps are
// accepted (bottom-up or top-down); anything else, and anything whose sizes do not fit the
// data, gives none.
std::optional<DecodedBitmap> DecodeBitmap(std::span<const std::uint8_t> file);
std::optional<DecodedBitmap> DecodeBitmap(const std::string& file);

// Adds `hueShift` degrees to the hue of one pixel, through hue/saturation/value.
void ShiftPixelHue(std::uint8_t& blue, std::uint8_t& green, std::uint8_t& red, int hueShift);

// Recolours the bitmap's pixel groups: as many as the image-size field says (width x height x 4
// bytes when it is 0), never more than the bits hold. The reserved byte is left alone.
void ShiftHue(DecodedBitmap& bitmap, int hueShift);

// A complete bitmap file holding the decoded picture.
std::string EncodeBitmap(const DecodedBitmap& bitmap);

// A complete 32-bit bottom-up bitmap file from top-down 0xAARRGGBB pixels.
std::string EncodeBitmap32(int width, int height, std::span<const std::uint32_t> pixels);

} // namespace sonavia
