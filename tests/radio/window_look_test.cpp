// The real radio window as the user sees it, grabbed on the offscreen platform: the skin and the
// controls that lie over it must agree.
#include "RadioWindowGrab.h"
#include "TestSupport.h"
#include "catalogue/Config.h"
#include "radio/CStation.h"
#include "resources/WindowLayout.h"
#include "shell/AppValues.h"

#include <gtest/gtest.h>

namespace sonavia {
namespace {

constexpr int kWatchdogSeconds = 60;
// Wider than any platform's slider thumb, far narrower than a slider's channel.
constexpr int kMaxThumbWidth = 30;

bool IsBlack(const QImage& image, int x, int y) {
    return (image.pixel(x, y) & RGB_MASK) == 0;
}

// Every pixel of the frame is black and lies on the control's own edge: a frame larger than the
// control loses its right and bottom lines.
void ExpectBoxFramedWithin(const QImage& window, const QRect& box, const char* name) {
    for (int i = 0; i < box.width(); ++i) {
        EXPECT_TRUE(IsBlack(window, box.left() + i, box.top())) << name << " top " << i;
        EXPECT_TRUE(IsBlack(window, box.left() + i, box.bottom())) << name << " bottom " << i;
        EXPECT_TRUE(IsBlack(window, box.left(), box.top() + i)) << name << " left " << i;
        EXPECT_TRUE(IsBlack(window, box.right(), box.top() + i)) << name << " right " << i;
    }
    // The mark lies in the middle, as far from each side of the frame.
    const QPoint centre = box.center();
    EXPECT_TRUE(IsBlack(window, centre.x(), centre.y()) ||
                window.pixelColor(centre) == QColor(204, 204, 204))
        << name;
    EXPECT_EQ(window.pixel(box.left() + 2, centre.y()), window.pixel(box.right() - 2, centre.y()))
        << name;
}

// Over a slider only its thumb differs from the skin: the skin's own track (the volume's groove,
// the hue's colours) shows everywhere else.
void ExpectSkinTrackSurvives(const QImage& window, const QImage& skin, const QRect& slider,
                             const char* name) {
    int first = -1;
    int last = -1;
    for (int x = slider.left(); x <= slider.right(); ++x) {
        for (int y = slider.top(); y <= slider.bottom(); ++y) {
            if ((window.pixel(x, y) & RGB_MASK) != (skin.pixel(x, y) & RGB_MASK)) {
                first = first < 0 ? x : first;
                last = x;
                break;
            }
        }
    }
    ASSERT_GE(first, 0) << name << ": no thumb drawn";
    EXPECT_LE(last - first + 1, kMaxThumbWidth)
        << name << ": pixels of the skin covered from x " << first << " to " << last;
}

TEST(RadioWindowLook, CheckBoxesAndSlidersShowTheSkinTheyLieOnAtEveryHue) {
    test::Watchdog watchdog(kWatchdogSeconds);
    test::TempDir startup;
    app::startupDirectory = startup.Path();
    SetDataDirectory(SONAVIA_BUILD_FOLDER);
    app::interfacePack = ReadArchiveDirectory(SONAVIA_INTERFACE_ARCHIVE);

    bool looked = false;
    WithRadioWindow([&](CStation& window, FakePlayer&) {
        looked = true;
        for (const int hue : {0, 240}) {
            SCOPED_TRACE(hue);
            window.ApplyHue(hue);
            const QImage grabbed = GrabShaped(window);
            // Outside the window's shape nothing is grabbed.
            EXPECT_EQ(qAlpha(grabbed.pixel(0, 0)), 0);
            ExpectBoxFramedWithin(grabbed, layout::kKeepChannelBox, "keep channel");
            ExpectBoxFramedWithin(grabbed, layout::kRandomStartBox, "random start");
            ExpectBoxFramedWithin(grabbed, layout::kMuteBox, "mute");
            ExpectSkinTrackSurvives(grabbed, window.Background(), layout::kVolumeSlider, "volume");
            ExpectSkinTrackSurvives(grabbed, window.Background(), layout::kHueSlider, "hue");
        }
    });
    EXPECT_TRUE(looked);
    app::interfacePack = {};
}

} // namespace
} // namespace sonavia
