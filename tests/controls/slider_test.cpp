#include "controls/CCoolSlider.h"
#include "controls/Painting.h"

#include <QStyleOptionSlider>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <vector>

namespace sonavia {
namespace {

class ProbeSlider : public CCoolSlider {
public:
    using CCoolSlider::CCoolSlider;

    QRect Thumb() {
        QStyleOptionSlider option;
        initStyleOption(&option);
        return style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    }
};

TEST(CoolSlider, AReleaseOfTheLeftButtonReportsThePosition) {
    QWidget window;
    window.resize(300, 100);
    ProbeSlider hue(Qt::Horizontal, &window);
    hue.setRange(0, 360);
    hue.setGeometry(10, 10, 106, 21);
    std::vector<int> released;
    QObject::connect(&hue, &CCoolSlider::Released,
                     [&](int position) { released.push_back(position); });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const QPoint thumb = hue.Thumb().center();
    QTest::mousePress(&hue, Qt::LeftButton, {}, thumb);
    QTest::mouseRelease(&hue, Qt::LeftButton, {}, thumb);
    QTest::mousePress(&hue, Qt::LeftButton, {}, thumb);
    QTest::mouseMove(&hue, thumb + QPoint(50, 0));
    ASSERT_NE(hue.value(), 0);
    EXPECT_EQ(released.size(), 1u);
    QTest::mouseRelease(&hue, Qt::LeftButton, {}, thumb + QPoint(50, 0));
    QTest::mouseClick(&hue, Qt::RightButton, {}, thumb);
    EXPECT_EQ(released, (std::vector<int>{0, hue.value()}));
}

TEST(CoolSlider, BackgroundModePaintsTheSavedSkinUnderAHorizontalChannelOnly) {
    QImage skin(600, 300, QImage::Format_RGB32);
    skin.fill(Qt::blue);
    skin.setPixelColor(124, 197, Qt::red);
    skin.setPixelColor(283, 229, Qt::green);

    QWidget window;
    window.resize(600, 300);
    ProbeSlider volume(Qt::Horizontal, &window);
    volume.setRange(0, 100);
    volume.setValue(50);
    volume.setGeometry(124, 197, 160, 33);
    ProbeSlider upright(Qt::Vertical, &window);
    upright.setGeometry(10, 10, 33, 160);
    upright.setValue(50);

    const QImage platformOnly = volume.grab().toImage();
    EXPECT_NE(platformOnly.pixelColor(0, 0), QColor(Qt::red));

    volume.SetDrawMode(CCoolSlider::kDrawModeBackground);
    const QImage noCopyYet = volume.grab().toImage();
    EXPECT_NE(noCopyYet.pixelColor(0, 0), QColor(Qt::red));

    volume.CaptureBackground(skin, QRect(124, 197, 160, 33));
    EXPECT_EQ(window.focusWidget(), &volume);
    const QImage painted = volume.grab().toImage();
    EXPECT_EQ(painted.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(painted.pixelColor(159, 32), QColor(Qt::green));
    EXPECT_EQ(painted.pixelColor(159, 0), QColor(Qt::blue));

    // A copy taken partly outside the skin keeps black there.
    volume.CaptureBackground(skin, QRect(500, 280, 160, 33));
    EXPECT_EQ(volume.grab().toImage().pixelColor(159, 32), QColor(Qt::black));

    upright.SetDrawMode(CCoolSlider::kDrawModeBackground);
    upright.CaptureBackground(skin, QRect(124, 197, 33, 160));
    EXPECT_NE(upright.grab().toImage().pixelColor(0, 0), QColor(Qt::red));
}

TEST(CoolSlider, TheThumbIsARoundKnobWholeInsideTheSliderWithADotLitWhileHeld) {
    QWidget window;
    window.resize(200, 50);
    ProbeSlider hue(Qt::Horizontal, &window);
    hue.setRange(0, 360);
    hue.setGeometry(0, 0, 106, 21);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    // Over a skin of one colour, which shows wherever the knob is not.
    QImage skin(200, 50, QImage::Format_RGB32);
    skin.fill(QColor(40, 160, 90));
    const QRgb empty = skin.pixel(0, 0);
    hue.SetDrawMode(CCoolSlider::kDrawModeBackground);
    hue.CaptureBackground(skin, hue.geometry());
    // Neither focused nor under the cursor.
    hue.clearFocus();
    QTest::mouseMove(window.windowHandle(), QPoint(190, 45));
    ASSERT_FALSE(hue.underMouse());
    for (const int value : {0, 180, 360}) {
        hue.setValue(value);
        const QRect thumb = hue.Thumb();
        const QImage idle = hue.grab().toImage();
        EXPECT_EQ(idle.pixelColor(thumb.center()), kLightGrey) << value;
        // Round: the corners of the thumb's square are not the knob's.
        EXPECT_EQ(idle.pixel(thumb.topLeft()), empty) << value;
        EXPECT_EQ(idle.pixel(thumb.bottomRight()), empty) << value;
        // Whole: at either end of its travel the knob keeps off the slider's edges, which a
        // screen of a fractional device pixel ratio may cut.
        for (int y = 0; y < idle.height(); ++y) {
            for (const int x : {0, idle.width() - 1}) {
                EXPECT_EQ(idle.pixel(x, y), empty) << value << " at " << x << "," << y;
            }
        }
    }

    const QRect thumb = hue.Thumb();
    QTest::mousePress(&hue, Qt::LeftButton, {}, thumb.center());
    ASSERT_TRUE(hue.isSliderDown());
    EXPECT_EQ(hue.grab().toImage().pixelColor(hue.Thumb().center()), DefaultPalette().panel);
    QTest::mouseRelease(&hue, Qt::LeftButton, {}, thumb.center());
}

} // namespace
} // namespace sonavia
