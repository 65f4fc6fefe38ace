#include "TestSupport.h"
#include "controls/ArchiveImages.h"
#include "localfiles/Bitmap.h"

#include <array>
#include <gtest/gtest.h>

namespace sonavia {
namespace {

Rgb Shifted(Rgb in, int hue) {
    ShiftPixelHue(in.blue, in.green, in.red, hue);
    return in;
}

TEST(HueShift, FollowsTheColourCircle) {
    EXPECT_EQ(Shifted({255, 0, 0}, 120), (Rgb{0, 255, 0}));
    EXPECT_EQ(Shifted({255, 0, 0}, 240), (Rgb{0, 0, 255}));
    EXPECT_EQ(Shifted({255, 0, 0}, 0), (Rgb{255, 0, 0}));
    EXPECT_EQ(Shifted({255, 0, 0}, 360), (Rgb{255, 0, 0}));
    // Hues 0 and 360 give back every colour exactly.
    for (int r = 0; r < 256; r += 3) {
        for (int g = 1; g < 256; g += 5) {
            for (int b = 2; b < 256; b += 7) {
                const Rgb colour{static_cast<std::uint8_t>(r), static_cast<std::uint8_t>(g),
                                 static_cast<std::uint8_t>(b)};
                ASSERT_EQ(Shifted(colour, 0), colour) << r << "," << g << "," << b;
                ASSERT_EQ(Shifted(colour, 360), colour) << r << "," << g << "," << b;
            }
        }
    }
    EXPECT_EQ(Shifted({134, 202, 240}, 0), (Rgb{134, 202, 240}));
    for (int hue : {0, 45, 120, 200, 360}) {
        for (int grey : {0, 1, 123, 240, 255}) {
            const auto g = static_cast<std::uint8_t>(grey);
            EXPECT_EQ(Shifted({g, g, g}, hue), (Rgb{g, g, g})) << grey << " at " << hue;
        }
    }
    // Blue (hue 240) shifted by 160 reaches 400 and is coloured as hue 40: red full, green
    // two thirds of the way, blue none.
    EXPECT_EQ(Shifted({0, 0, 255}, 160), (Rgb{255, 170, 0}));
    EXPECT_EQ(Shifted({255, 170, 0}, 0), (Rgb{255, 170, 0}));
}

std::string Bitmap32(int width, int height, std::uint32_t sizeImage, const std::string& bits) {
    DecodedBitmap bitmap;
    bitmap.header.width = width;
    bitmap.header.height = height;
    bitmap.header.sizeImage = sizeImage;
    bitmap.bits.assign(bits.begin(), bits.end());
    return EncodeBitmap(bitmap);
}

TEST(Bitmap, RecolourCoversTheImageSizeOrTheWholePictureWhenItIsZero) {
    const std::string red = std::string("\x00\x00\xff\x07", 4);
    const std::string fourRed = red + red + red + red;
    auto whole = DecodeBitmap(Bitmap32(2, 2, 0, fourRed));
    ASSERT_TRUE(whole);
    ShiftHue(*whole, 120);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 2; ++x) {
            EXPECT_EQ(whole->Pixel(x, y), (Rgb{0, 255, 0}));
        }
    }
    EXPECT_EQ(whole->bits[3], 7); // the reserved byte is left alone

    // An image size of 8 bytes recolours the first two groups only (the bottom row).
    auto half = DecodeBitmap(Bitmap32(2, 2, 8, fourRed));
    ASSERT_TRUE(half);
    ShiftHue(*half, 120);
    EXPECT_EQ(half->Pixel(0, 1), (Rgb{0, 255, 0}));
    EXPECT_EQ(half->Pixel(0, 0), (Rgb{255, 0, 0}));

    // An image size larger than the bits never reads past them.
    auto big = DecodeBitmap(Bitmap32(2, 2, 1'000'000, fourRed));
    ASSERT_TRUE(big);
    ShiftHue(*big, 120);
    EXPECT_EQ(big->Pixel(1, 0), (Rgb{0, 255, 0}));
}

TEST(Bitmap, OtherDepthsAreDecodedToThirtyTwoBitsAndBadFilesGiveNone) {
    // A 2 x 2 bottom-up 24-bit picture: rows padded to 8 bytes.
    std::string file = "BM" + std::string(8, '\0');
    file += std::string("\x36\x00\x00\x00", 4);
    std::string info(40, '\0');
    info[0] = 40;
    info[4] = 2;
    info[8] = 2;
    info[12] = 1;
    info[14] = 24;
    file += info;
    file += std::string("\x00\x00\xff"
                        "\x00\xff\x00"
                        "\x00\x00",
                        8); // bottom: red, green
    file += std::string("\xff\x00\x00"
                        "\xff\xff\xff"
                        "\x00\x00",
                        8); // top: blue, white
    auto bitmap = DecodeBitmap(file);
    ASSERT_TRUE(bitmap);
    EXPECT_EQ(bitmap->Pixel(0, 1), (Rgb{255, 0, 0}));
    EXPECT_EQ(bitmap->Pixel(1, 1), (Rgb{0, 255, 0}));
    EXPECT_EQ(bitmap->Pixel(0, 0), (Rgb{0, 0, 255}));
    EXPECT_EQ(bitmap->Pixel(1, 0), (Rgb{255, 255, 255}));
    ShiftHue(*bitmap, 120);
    EXPECT_EQ(bitmap->Pixel(0, 1), (Rgb{0, 255, 0}));

    EXPECT_FALSE(DecodeBitmap(std::string("XM") + file.substr(2)));
    EXPECT_FALSE(DecodeBitmap(file.substr(0, file.size() - 1)));
    EXPECT_FALSE(DecodeBitmap(std::string("BM")));
    std::string huge = file;
    huge[18] = '\xff';
    huge[19] = '\xff';
    huge[20] = '\xff';
    huge[21] = '\x7f';
    EXPECT_FALSE(DecodeBitmap(huge));
    std::string compressed = file;
    compressed[30] = 1;
    EXPECT_FALSE(DecodeBitmap(compressed));
}

TEST(Bitmap, ArchivePicturesLoadAsStoredOrShiftedAndTheBackgroundIsKept) {
    test::TempDir dir;
    const std::array<std::uint32_t, 2> pixels = {0xFFFF0000u, 0xFF808080u};
    ASSERT_TRUE(WriteArchive(dir / "radio.int",
                             {{"face.bmp", EncodeBitmap32(2, 1, pixels)}, {"text.rd", "3\n"}}));
    const auto directory = ReadArchiveDirectory(dir / "radio.int");
    const QImage plain = LoadArchiveBitmap(directory, "FACE.bmp");
    ASSERT_FALSE(plain.isNull());
    EXPECT_EQ(plain.pixel(0, 0), qRgb(255, 0, 0));
    const QImage shifted = LoadArchiveBitmapShifted(directory, "face.bmp", 120);
    EXPECT_EQ(shifted.pixel(0, 0), qRgb(0, 255, 0));
    EXPECT_EQ(shifted.pixel(1, 0), qRgb(128, 128, 128));
    EXPECT_TRUE(LoadArchiveBitmapShifted(directory, "text.rd", 0).isNull());

    EXPECT_EQ(LoadArchiveBitmapShifted(directory, "face.bmp", 240).pixel(0, 0), qRgb(0, 0, 255));
}

} // namespace
} // namespace sonavia
