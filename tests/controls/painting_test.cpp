#include "controls/Painting.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace sonavia {
namespace {

constexpr QRgb kUntouched = 0xFF123456;

QImage PaintGradient(const QRect& rect, const QColor& colour) {
    QImage image(12, 4, QImage::Format_RGB32);
    image.fill(kUntouched);
    QPainter painter(&image);
    FillGradient(painter, rect, colour);
    return image;
}

TEST(FillGradient, RunsFromLightGreyToOneWthOfTheWayFromTheColour) {
    // Width 10 from light grey towards (0, 100, 250): the last column is a tenth of the way
    // back towards grey, every division truncating towards the colour.
    const QImage image = PaintGradient(QRect(1, 1, 10, 2), QColor(0, 100, 250));
    for (int y = 1; y <= 2; ++y) {
        EXPECT_EQ(image.pixelColor(1, y), kLightGrey);
        EXPECT_EQ(image.pixelColor(10, y), QColor(24, 114, 249));
        // Column 5: i = 5, half way.
        EXPECT_EQ(image.pixelColor(6, y), QColor(120, 170, 245));
    }
    // Nothing outside the rectangle.
    for (int x = 0; x < image.width(); ++x) {
        EXPECT_EQ(image.pixel(x, 0), kUntouched);
        EXPECT_EQ(image.pixel(x, 3), kUntouched);
    }
    EXPECT_EQ(image.pixel(0, 1), kUntouched);
    EXPECT_EQ(image.pixel(11, 1), kUntouched);
}

TEST(FillGradient, OneColumnIsLightGreyAndNoWidthPaintsNothing) {
    const QImage one = PaintGradient(QRect(3, 0, 1, 4), QColor(0, 0, 0));
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(one.pixelColor(3, y), kLightGrey);
    }
    EXPECT_EQ(one.pixel(4, 0), kUntouched);

    for (const QRect& rect : {QRect(3, 0, 0, 4), QRect(3, 0, -2, 4)}) {
        const QImage none = PaintGradient(rect, QColor(0, 0, 0));
        for (int y = 0; y < none.height(); ++y) {
            for (int x = 0; x < none.width(); ++x) {
                ASSERT_EQ(none.pixel(x, y), kUntouched);
            }
        }
    }
}

} // namespace
} // namespace sonavia
