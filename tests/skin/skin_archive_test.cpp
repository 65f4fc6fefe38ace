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
    std::vector<std::string> bitmaps{"stationbackground.bmp", "newversion.bmp", "contactus.bmp"};
    for (const auto& [name, position] : kShownButtons) {
        bitmaps.push_back(name);
    }
    bitmaps.insert(bitmaps.end(), kFilmFrames.begin(), kFilmFrames.end());
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
        if (name != "version.bmp") {
            EXPECT_EQ(button.Pixel(0, 0), kMagenta) << name;
        }
        for (int hue = 5; hue < 360; hue += 25) {
            EXPECT_EQ(Shape(Bitmap(name, hue)), shape) << name << " at hue " << hue;
        }
    }
}

TEST(SkinArchive, DownloadFacesAreOpaqueAndTheNormalOneMatchesTheBackground) {
    // The two faces are copied plainly over the button when a new version flashes: they fill
    // their square but for the key pixel, and the normal face is the one in the background.
    const DecodedBitmap normal = Bitmap("version.bmp");
    const DecodedBitmap highlighted = Bitmap("newversion.bmp");
    ASSERT_EQ(normal.Width(), highlighted.Width());
    ASSERT_EQ(normal.Height(), highlighted.Height());
    for (const DecodedBitmap* face : {&normal, &highlighted}) {
        const std::vector<bool> shape = Shape(*face);
        EXPECT_EQ(std::count(shape.begin(), shape.end(), false), 1);
    }
    bool differs = false;
    for (const int hue : {0, 120, 240}) {
        const DecodedBitmap background = Bitmap("stationbackground.bmp", hue);
        for (int y = 0; y < normal.Height(); ++y) {
            for (int x = 0; x < normal.Width(); ++x) {
                if (x == 0 && y == 0) {
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
