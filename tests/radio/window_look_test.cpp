// The real radio window as the user sees it, grabbed on the offscreen platform: the skin and the
// controls that lie over it must agree. The test runs at the screen scale QT_SCALE_FACTOR gives
// (CTest runs it at 1, 1.25, 1.5 and 2) and looks at device pixels.
#include "RadioWindowGrab.h"
#include "TestSupport.h"
#include "controls/CSkinButton.h"
#include "controls/SkinShape.h"
#include "radio/CStation.h"
#include "resources/WindowLayout.h"

#include <cmath>
#include <gtest/gtest.h>

namespace sonavia {
namespace {

constexpr int kWatchdogSeconds = 60;
// Wider than any platform's slider thumb, far narrower than a slider's channel.
constexpr int kMaxThumbWidth = 30;
// The knob is 13 window pixels across; its anti-aliased edge may lose a little.
constexpr double kMinKnobWidth = 11;
// From this ratio on the window shows the skin pictures drawn twice as fine.
constexpr double kFineFromRatio = 1.5;

bool IsBlack(const QImage& image, int x, int y) {
    return (image.pixel(x, y) & RGB_MASK) == 0;
}

// The device pixels of a rectangle of window pixels, its edges rounded to the nearest device
// pixel as the painter rounds them.
QRect DevicePixels(const QRect& rect, double ratio) {
    const auto device = [ratio](int window) {
        return static_cast<int>(std::lround(window * ratio));
    };
    return QRect(QPoint(device(rect.left()), device(rect.top())),
                 QPoint(device(rect.right() + 1) - 1, device(rect.bottom() + 1) - 1));
}

// The frame is black along all four of the control's outermost device lines: a frame larger
// than the control, or cut where the control lies at a fraction of a device pixel, loses lines.
void ExpectBoxFramedWithin(const QImage& window, const QRect& control, double ratio,
                           const char* name) {
    const QRect box = DevicePixels(control, ratio);
    for (int i = 0; i < box.width(); ++i) {
        EXPECT_TRUE(IsBlack(window, box.left() + i, box.top())) << name << " top " << i;
        EXPECT_TRUE(IsBlack(window, box.left() + i, box.bottom())) << name << " bottom " << i;
    }
    for (int i = 0; i < box.height(); ++i) {
        EXPECT_TRUE(IsBlack(window, box.left(), box.top() + i)) << name << " left " << i;
        EXPECT_TRUE(IsBlack(window, box.right(), box.top() + i)) << name << " right " << i;
    }
    // The mark lies in the middle.
    const QPoint centre = box.center();
    EXPECT_TRUE(IsBlack(window, centre.x(), centre.y()) ||
                window.pixelColor(centre) == QColor(204, 204, 204))
        << name;
}

// Over a slider only its thumb differs from the skin: the skin's own track (the volume's groove,
// the hue's colours) shows everywhere else. The thumb is drawn whole, clear of the slider's
// edges, which a fractional device pixel ratio may cut.
void ExpectSkinTrackSurvives(const QImage& window, const QImage& skin, const QRect& slider,
                             double ratio, const char* name) {
    const QRect area = DevicePixels(slider, ratio);
    QRect drawn;
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            if ((window.pixel(x, y) & RGB_MASK) != (skin.pixel(x, y) & RGB_MASK)) {
                drawn |= QRect(x, y, 1, 1);
            }
        }
    }
    ASSERT_FALSE(drawn.isEmpty()) << name << ": no thumb drawn";
    EXPECT_LE(drawn.width(), kMaxThumbWidth * ratio)
        << name << ": pixels of the skin covered from x " << drawn.left() << " to "
        << drawn.right();
    EXPECT_GE(drawn.width(), kMinKnobWidth * ratio) << name << ": the thumb is cut";
    EXPECT_TRUE(area.adjusted(1, 1, -1, -1).contains(drawn))
        << name << ": the thumb reaches the slider's edge at " << drawn.left() << "," << drawn.top()
        << " " << drawn.width() << "x" << drawn.height();
}

TEST(RadioWindowLook, ControlsShowTheSkinTheyLieOnWholeAtEveryHueAtTheScreensScale) {
    test::Watchdog watchdog(kWatchdogSeconds);
    test::TempDir startup;
    StartupContext context;
    context.startupDirectory = startup.Path();
    context.dataDirectory = SONAVIA_BUILD_FOLDER;
    context.interfacePack = ReadArchiveDirectory(SONAVIA_INTERFACE_ARCHIVE);

    bool looked = false;
    WithRadioWindow(context, [&](CStation& window, FakePlayer&) {
        looked = true;
        const double ratio = window.devicePixelRatioF();
        const int scale = ratio >= kFineFromRatio ? 2 : 1;
        for (const int hue : {0, 240}) {
            SCOPED_TRACE(hue);
            window.ApplyHue(hue);
            const QImage grabbed = GrabShaped(window);
            const QImage& skin = window.Background();
            // The skin is kept at the screen's pixels, drawn from the pictures of its scale.
            ASSERT_EQ(skin.devicePixelRatio(), ratio);
            ASSERT_EQ(grabbed.size(), skin.size());
            for (const layout::ButtonPlace& place : layout::kButtons) {
                EXPECT_EQ(window.Button(place.id)->Bitmap().devicePixelRatio(), scale)
                    << place.bitmap;
            }
            // Outside the window's shape nothing is grabbed.
            EXPECT_EQ(qAlpha(grabbed.pixel(0, 0)), 0);
            // Every control and shown button lies on the skin, to the device pixel.
            const QRegion shape = ShapeFromKeyColour(skin);
            std::vector<std::pair<std::string, QRect>> placed{
                {"country list", layout::kCountryList}, {"station tree", layout::kStationTree},
                {"volume", layout::kVolumeSlider},      {"hue", layout::kHueSlider},
                {"search box", layout::kSearchBox},     {"shopping list", layout::kShoppingList}};
            for (const layout::ButtonPlace& place : layout::kButtons) {
                if (place.shown) {
                    placed.emplace_back(place.bitmap, window.Button(place.id)->geometry());
                }
            }
            for (const auto& [name, rect] : placed) {
                EXPECT_TRUE(QRegion(DevicePixels(rect, ratio)).subtracted(shape).isEmpty())
                    << name << " off the skin";
            }
            ExpectBoxFramedWithin(grabbed, layout::kKeepChannelBox, ratio, "keep channel");
            ExpectBoxFramedWithin(grabbed, layout::kRandomStartBox, ratio, "random start");
            ExpectBoxFramedWithin(grabbed, layout::kMuteBox, ratio, "mute");
            ExpectSkinTrackSurvives(grabbed, skin, layout::kVolumeSlider, ratio, "volume");
            ExpectSkinTrackSurvives(grabbed, skin, layout::kHueSlider, ratio, "hue");
        }
    });
    EXPECT_TRUE(looked);
}

} // namespace
} // namespace sonavia
