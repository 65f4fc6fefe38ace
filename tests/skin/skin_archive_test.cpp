// The packed skin as the radio window reads it: every entry it loads, 32-bit bitmaps keyed at
// (0, 0), and a window shape that holds every control of the layout at every hue.

#include "localfiles/Bitmap.h"
#include "localfiles/InterfaceArchive.h"
#include "resources/WindowLayout.h"

#include <QRect>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace sonavia {
namespace {

const Rgb kMagenta{255, 0, 255};
using namespace layout;
// The scale of the pictures drawn for dense screens.
constexpr int kFine = 2;

const Rgb kPanelAtHueZero{qRed(kPanelColour), qGreen(kPanelColour), qBlue(kPanelColour)};
const QPoint kDownloadPosition = kButtons[static_cast<int>(Button::Download)].position;

// Controls that paint themselves, where the radio window puts them.
const std::map<std::string, QRect> kControls{
    {"country list", kCountryList},
    {"station tree", kStationTree},
    {"keep channel box", kKeepChannelBox},
    {"random start box", kRandomStartBox},
    {"volume slider", kVolumeSlider},
    {"mute box", kMuteBox},
    {"hue slider", kHueSlider},
    {"search box", kSearchBox},
    {"shopping list", kShoppingList},
    {"level meter", kLevelMeter},
    {"activity box", kActivityBox},
};

// Skin buttons the window shows, by their top-left corner.
const std::map<std::string, QPoint> kShownButtons = [] {
    std::map<std::string, QPoint> shown;
    for (const ButtonPlace& place : kButtons) {
        if (place.shown) {
            shown.emplace(place.bitmap, place.position);
        }
    }
    return shown;
}();

const std::vector<std::string> kFilmFrames{"film0.bmp", "film1.bmp", "film2.bmp", "film3.bmp",
                                           "film4.bmp"};

const InterfacePackDirectory& Archive() {
    static const InterfacePackDirectory archive = ReadArchiveDirectory(SONAVIA_INTERFACE_ARCHIVE);
    return archive;
}

std::string Entry(const std::string& name) {
    return ReadArchiveEntry(Archive(), FindArchiveEntry(Archive(), name)).value_or("");
}

// The bitmap as the window loads it: recoloured by `hue` (the window recolours at hue 0 too),
// or as stored.
DecodedBitmap Bitmap(const std::string& name, std::optional<int> hue = 0) {
    std::optional<DecodedBitmap> bitmap = DecodeBitmap(Entry(name));
    if (!bitmap) {
        ADD_FAILURE() << name << " is not a bitmap";
        return {};
    }
    if (hue) {
        ShiftHue(*bitmap, *hue);
    }
    return *bitmap;
}

// Whether each pixel is inside the shape: its colour differs from the one at (0, 0).
std::vector<bool> Shape(const DecodedBitmap& bitmap) {
    std::vector<bool> inside;
    const Rgb key = bitmap.Pixel(0, 0);
    for (int y = 0; y < bitmap.Height(); ++y) {
        for (int x = 0; x < bitmap.Width(); ++x) {
            inside.push_back(!(bitmap.Pixel(x, y) == key));
        }
    }
    return inside;
}

bool Inside(const DecodedBitmap& bitmap, const std::vector<bool>& shape, QPoint point) {
    return point.x() >= 0 && point.y() >= 0 && point.x() < bitmap.Width() &&
           point.y() < bitmap.Height() &&
           shape[static_cast<std::size_t>(point.y()) * bitmap.Width() + point.x()];
}

TEST(SkinArchive, HoldsEveryEntryTheProgramLoadsAsThirtyTwoBitBitmaps) {
    ASSERT_GT(Archive().count, 0) << "no archive at " << SONAVIA_INTERFACE_ARCHIVE;
    std::vector<std::string> bitmaps{"stationbackground.bmp", "newversion.bmp", "contactus.bmp",
                                     kLampDimBitmap};
    for (const auto& [name, position] : kShownButtons) {
        bitmaps.push_back(name);
    }
    bitmaps.insert(bitmaps.end(), kFilmFrames.begin(), kFilmFrames.end());
    for (std::size_t i = 0, plain = bitmaps.size(); i < plain; ++i) {
        bitmaps.push_back(ScaledEntryName(bitmaps[i], kFine));
    }
    for (const std::string& name : bitmaps) {
        const std::string file = Entry(name);
        ASSERT_GE(file.size(), 54u) << name;
        EXPECT_EQ(file.substr(0, 2), "BM") << name;
        const int bitCount =
            static_cast<unsigned char>(file[28]) | (static_cast<unsigned char>(file[29]) << 8);
        EXPECT_EQ(bitCount, 32) << name;
        EXPECT_TRUE(DecodeBitmap(file).has_value()) << name;
    }
    for (const char* text : {"channels.rd", "shopping.rd"}) {
        EXPECT_NE(FindArchiveEntry(Archive(), text), kNoArchiveEntry) << text;
    }
}

TEST(SkinArchive, BackgroundIsKeyedAndGivesThePanelColour) {
    const DecodedBitmap background = Bitmap("stationbackground.bmp");
    EXPECT_NEAR(background.Width(), 760, 20);
    EXPECT_NEAR(background.Height(), 290, 20);
    EXPECT_EQ(background.Pixel(0, 0), kMagenta);
    EXPECT_EQ(
        Bitmap("stationbackground.bmp", std::nullopt).Pixel(kPanelSample.x(), kPanelSample.y()),
        kPanelAtHueZero);
    // The program samples the panel colour after recolouring at hue 0, which changes nothing.
    EXPECT_EQ(background.Pixel(kPanelSample.x(), kPanelSample.y()), kPanelAtHueZero);
    // The key is only outside the window: every corner is outside, the middle inside.
    const std::vector<bool> shape = Shape(background);
    const int w = background.Width() - 1;
    const int h = background.Height() - 1;
    for (const QPoint corner : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)}) {
        EXPECT_FALSE(Inside(background, shape, corner));
    }
    EXPECT_TRUE(Inside(background, shape, QPoint(w / 2, h / 2)));
}

TEST(SkinArchive, WindowShapeHoldsEveryControlAndButtonAtEveryHue) {
    const DecodedBitmap atZero = Bitmap("stationbackground.bmp");
    const std::vector<bool> shapeAtZero = Shape(atZero);
    for (const auto& [name, rect] : kControls) {
        for (int y = rect.top(); y <= rect.bottom(); ++y) {
            for (int x = rect.left(); x <= rect.right(); ++x) {
                ASSERT_TRUE(Inside(atZero, shapeAtZero, QPoint(x, y)))
                    << name << " at " << x << "," << y;
            }
        }
    }
    for (const auto& [name, position] : kShownButtons) {
        const DecodedBitmap button = Bitmap(name);
        const std::vector<bool> own = Shape(button);
        int pixels = 0;
        for (int y = 0; y < button.Height(); ++y) {
            for (int x = 0; x < button.Width(); ++x) {
                if (Inside(button, own, QPoint(x, y))) {
                    ++pixels;
                    ASSERT_TRUE(Inside(atZero, shapeAtZero, position + QPoint(x, y)))
                        << name << " at " << x << "," << y;
                }
            }
        }
        EXPECT_GT(pixels, button.Width() * button.Height() / 2) << name;
    }
    // A hue change moves the key colour with the art: no drawn pixel may land on it, or the
    // window would get holes at that hue.
    for (int hue = 1; hue < 360; hue += 7) {
        const DecodedBitmap shifted = Bitmap("stationbackground.bmp", hue);
        ASSERT_EQ(Shape(shifted), shapeAtZero) << "hue " << hue;
    }
}

TEST(SkinArchive, ButtonsAreKeyedAtTheirCornerAndKeepTheirShapeAtEveryHue) {
    for (const auto& [name, position] : kShownButtons) {
        const DecodedBitmap button = Bitmap(name);
        const std::vector<bool> shape = Shape(button);
        EXPECT_EQ(button.Pixel(0, 0), kMagenta) << name;
        for (int hue = 5; hue < 360; hue += 25) {
            EXPECT_EQ(Shape(Bitmap(name, hue)), shape) << name << " at hue " << hue;
        }
    }
}

// Inside the shape and not on its edge: the pixel and its eight neighbours are inside.
bool Deep(const DecodedBitmap& bitmap, const std::vector<bool>& shape, QPoint point, bool inside) {
    for (int dy = -1; dy <= 1; ++dy) {
        for (int dx = -1; dx <= 1; ++dx) {
            if (Inside(bitmap, shape, point + QPoint(dx, dy)) != inside) {
                return false;
            }
        }
    }
    return true;
}

TEST(SkinArchive, DownloadFacesAreRoundAndTheNormalOneIsTheBackgroundsFace) {
    // The two faces are drawn over the button in turn when a new version flashes: round like
    // "Hide" and "Exit", keyed at their corners, of one shape, and the normal face is the one in
    // the background (but for its anti-aliased rim, blended there with the panel).
    const DecodedBitmap normal = Bitmap("version.bmp");
    const DecodedBitmap highlighted = Bitmap("newversion.bmp");
    ASSERT_EQ(normal.Width(), highlighted.Width());
    ASSERT_EQ(normal.Height(), highlighted.Height());
    const std::vector<bool> shape = Shape(normal);
    EXPECT_EQ(Shape(highlighted), shape);
    const int w = normal.Width() - 1;
    const int h = normal.Height() - 1;
    for (const QPoint corner : {QPoint(0, 0), QPoint(w, 0), QPoint(0, h), QPoint(w, h)}) {
        EXPECT_FALSE(Inside(normal, shape, corner)) << corner.x() << "," << corner.y();
    }
    for (const QPoint edge : {QPoint(w / 2, 1), QPoint(1, h / 2), QPoint(w / 2, h - 1)}) {
        EXPECT_TRUE(Inside(normal, shape, edge)) << edge.x() << "," << edge.y();
    }
    bool differs = false;
    for (const int hue : {0, 120, 240}) {
        const DecodedBitmap background = Bitmap("stationbackground.bmp", hue);
        for (int y = 0; y < normal.Height(); ++y) {
            for (int x = 0; x < normal.Width(); ++x) {
                if (!Deep(normal, shape, QPoint(x, y), true)) {
                    continue;
                }
                const QPoint at = kDownloadPosition + QPoint(x, y);
                EXPECT_EQ(normal.Pixel(x, y), background.Pixel(at.x(), at.y()))
                    << x << "," << y << " at hue " << hue;
                differs = differs || !(normal.Pixel(x, y) == highlighted.Pixel(x, y));
            }
        }
    }
    EXPECT_TRUE(differs) << "the highlighted face looks like the normal one";
}

TEST(SkinArchive, EveryPictureIsDrawnTwiceAsFineWithTheSameKeyAndShape) {
    std::vector<std::string> pictures;
    for (const ArchiveEntry& entry : Archive().entries) {
        if (entry.name.ends_with(".bmp") && entry.name.find('@') == std::string::npos) {
            pictures.push_back(entry.name);
        }
    }
    ASSERT_FALSE(pictures.empty());
    for (const std::string& name : pictures) {
        SCOPED_TRACE(name);
        const DecodedBitmap plain = Bitmap(name, std::nullopt);
        const DecodedBitmap fine = Bitmap(ScaledEntryName(name, kFine), std::nullopt);
        ASSERT_EQ(fine.Width(), kFine * plain.Width());
        ASSERT_EQ(fine.Height(), kFine * plain.Height());
        EXPECT_EQ(fine.Pixel(0, 0), plain.Pixel(0, 0)) << "the key colour";
        // Each plain pixel is a square of fine ones: wholly in the shape where the plain pixel
        // lies deep inside it, wholly out where it lies deep outside; only edges may differ.
        const std::vector<bool> plainShape = Shape(plain);
        const std::vector<bool> fineShape = Shape(fine);
        int wrong = 0;
        for (int y = 0; y < plain.Height(); ++y) {
            for (int x = 0; x < plain.Width(); ++x) {
                for (const bool inside : {true, false}) {
                    if (!Deep(plain, plainShape, QPoint(x, y), inside)) {
                        continue;
                    }
                    for (int fy = 0; fy < kFine; ++fy) {
                        for (int fx = 0; fx < kFine; ++fx) {
                            const QPoint at(kFine * x + fx, kFine * y + fy);
                            wrong += Inside(fine, fineShape, at) != inside ? 1 : 0;
                        }
                    }
                }
            }
        }
        EXPECT_EQ(wrong, 0) << "fine pixels on the wrong side of the shape";
    }
    // The hue shift moves the key colour with the art at this scale too.
    const DecodedBitmap fine = Bitmap(ScaledEntryName("stationbackground.bmp", kFine));
    const std::vector<bool> shape = Shape(fine);
    for (int hue = 1; hue < 360; hue += 29) {
        ASSERT_EQ(Shape(Bitmap(ScaledEntryName("stationbackground.bmp", kFine), hue)), shape)
            << "hue " << hue;
    }
}

TEST(SkinArchive, FilmFramesShareOneSizeAndSitInsideTheRandomButton) {
    const DecodedBitmap first = Bitmap(kFilmFrames[1]);
    std::vector<std::vector<std::uint8_t>> seen;
    for (const std::string& name : kFilmFrames) {
        const DecodedBitmap frame = Bitmap(name);
        EXPECT_EQ(frame.Width(), first.Width()) << name;
        EXPECT_EQ(frame.Height(), first.Height()) << name;
        EXPECT_EQ(std::count(seen.begin(), seen.end(), frame.bits), 0) << name << " repeats";
        seen.push_back(frame.bits);
    }
    const DecodedBitmap random = Bitmap("random.bmp");
    const std::vector<bool> shape = Shape(random);
    const QPoint offset = kFilmPosition - kShownButtons.at("random.bmp");
    for (int y = 0; y < first.Height(); ++y) {
        for (int x = 0; x < first.Width(); ++x) {
            ASSERT_TRUE(Inside(random, shape, offset + QPoint(x, y))) << x << "," << y;
        }
    }
}

} // namespace
} // namespace sonavia
