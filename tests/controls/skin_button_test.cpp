#include "TestSupport.h"
#include "controls/ArchiveImages.h"
#include "controls/CPopupText.h"
#include "controls/CSkinButton.h"
#include "controls/Painting.h"
#include "controls/SkinShape.h"
#include "localfiles/Bitmap.h"
#include "localfiles/InterfaceArchive.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <gtest/gtest.h>
#include <random>

namespace sonavia {
namespace {

constexpr std::uint32_t K = 0xFFFF00FF; // the key colour of the test pictures
constexpr std::uint32_t A = 0xFF2060A0;
constexpr std::uint32_t B = 0xFFA06020;

// Corners cut off and two holes of the key colour inside the artwork.
const std::vector<std::uint32_t> kGoPixels = {
    K, K, A, A, A, A, K, K, //
    K, A, B, B, B, B, A, K, //
    A, B, K, B, B, K, B, A, //
    A, B, B, B, B, B, B, A, //
    K, A, B, B, B, B, A, K, //
    K, K, A, A, A, A, K, K,
};
constexpr int kGoWidth = 8;
constexpr int kGoHeight = 6;

std::string Picture(int width, int height, std::uint32_t colour) {
    return EncodeBitmap32(
        width, height,
        std::vector<std::uint32_t>(static_cast<std::size_t>(width) * height, colour));
}

// The region as the pixels themselves say it: one square per non-key pixel.
QRegion PixelByPixel(const QImage& image) {
    QRegion region;
    const QRgb key = image.pixel(0, 0) & 0xFFFFFF;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if ((image.pixel(x, y) & 0xFFFFFF) != key) {
                region += QRect(x, y, 1, 1);
            }
        }
    }
    return region;
}

// Regions compare by the rectangles they are stored as; this compares the pixels they cover.
bool SameArea(const QRegion& a, const QRegion& b) {
    return (a ^ b).isEmpty();
}

// A window behind the buttons that notes where it was pressed.
class Behind : public QWidget {
public:
    std::vector<QPoint> presses;

protected:
    void mousePressEvent(QMouseEvent* event) override {
        presses.push_back(event->position().toPoint());
    }
};

class SkinButtonTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        archive_ = std::make_unique<test::TempDir>();
        const auto path = *archive_ / "radio.int";
        ASSERT_TRUE(WriteArchive(path, {{"go.bmp", EncodeBitmap32(kGoWidth, kGoHeight, kGoPixels)},
                                        {"blank.bmp", Picture(9, 7, K)},
                                        {"tall.bmp", Picture(30, 40, A)},
                                        {"notes.txt", "not a picture"}}));
        directory_ = ReadArchiveDirectory(path);
    }
    static void TearDownTestSuite() {
        directory_ = {};
        archive_.reset();
    }

    // A picture of the test archive, as stored or with `hue` degrees added.
    static QImage SkinPicture(std::string_view name, int hue = 0) {
        return hue == 0 ? LoadArchiveBitmap(directory_, name)
                        : LoadArchiveBitmapShifted(directory_, name, hue);
    }

    static std::unique_ptr<test::TempDir> archive_;
    static InterfacePackDirectory directory_;
};

std::unique_ptr<test::TempDir> SkinButtonTest::archive_;
InterfacePackDirectory SkinButtonTest::directory_;

TEST_F(SkinButtonTest, TheShapeIsEveryNonKeyPixelHolesIncluded) {
    Behind window;
    window.resize(100, 100);
    CSkinButton go(&window);
    go.MoveTo(50, 50);
    go.SetSkinBitmap(SkinPicture("GO.BMP"));
    EXPECT_EQ(go.geometry(), QRect(0, 0, kGoWidth, kGoHeight));

    const QRegion mask = go.mask();
    for (int y = 0; y < kGoHeight; ++y) {
        for (int x = 0; x < kGoWidth; ++x) {
            EXPECT_EQ(mask.contains(QPoint(x, y)), kGoPixels[y * kGoWidth + x] != K)
                << x << "," << y;
        }
    }
    EXPECT_EQ(mask.boundingRect(), QRect(0, 0, kGoWidth, kGoHeight));
    EXPECT_TRUE(SameArea(mask, PixelByPixel(go.Bitmap())));

    go.MoveTo(20, 30);
    EXPECT_EQ(go.geometry(), QRect(20, 30, kGoWidth, kGoHeight));
    EXPECT_EQ(go.mask(), mask);

    // The hue-adjusted reader recolours the picture; the shape stays.
    go.SetSkinBitmap(SkinPicture("go.bmp", 120));
    EXPECT_NE(go.Bitmap().pixel(3, 3), B);
    EXPECT_EQ(go.mask(), mask);

    // A picture drawn twice as fine for a dense screen keeps the size and shape in window pixels.
    QImage fine = SkinPicture("go.bmp").scaled(2 * kGoWidth, 2 * kGoHeight);
    fine.setDevicePixelRatio(2);
    go.SetSkinBitmap(fine);
    EXPECT_EQ(go.geometry(), QRect(0, 0, kGoWidth, kGoHeight));
    EXPECT_TRUE(SameArea(go.mask(), mask));
}

TEST(SkinShape, RunsGiveTheSameRegionAsSinglePixels) {
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        QImage image(37, 23, QImage::Format_RGB32);
        for (int y = 0; y < image.height(); ++y) {
            // Some rows repeat the row above, so bands of several rows form.
            if (y > 0 && random() % 3 == 0) {
                for (int x = 0; x < image.width(); ++x) {
                    image.setPixel(x, y, image.pixel(x, y - 1));
                }
                continue;
            }
            for (int x = 0; x < image.width(); ++x) {
                image.setPixel(x, y, random() % (round % 4 + 2) == 0 ? K : 0xFF000000 | random());
            }
        }
        EXPECT_TRUE(SameArea(ShapeFromKeyColour(image), PixelByPixel(image))) << "round " << round;
        EXPECT_TRUE(SameArea(WindowPixelShape(image), PixelByPixel(image))) << "round " << round;

        // Drawn finer than the window's pixels: a window pixel is in when any device pixel that
        // overlaps it is.
        for (const double ratio : {1.5, 2.0}) {
            QImage fine = image;
            fine.setDevicePixelRatio(ratio);
            const QRegion inside = PixelByPixel(image);
            QRegion expected;
            for (int y = 0; y * ratio < image.height(); ++y) {
                for (int x = 0; x * ratio < image.width(); ++x) {
                    const QRectF window(x * ratio, y * ratio, ratio, ratio);
                    for (const QRect& device : inside) {
                        if (QRectF(device).intersects(window)) {
                            expected += QRect(x, y, 1, 1);
                            break;
                        }
                    }
                }
            }
            EXPECT_TRUE(SameArea(WindowPixelShape(fine), expected))
                << "round " << round << " at " << ratio;
        }
    }
    EXPECT_TRUE(ShapeFromKeyColour(QImage()).isEmpty());
    // Other formats are compared by colour too.
    QImage indexed(4, 1, QImage::Format_RGB888);
    indexed.fill(Qt::red);
    indexed.setPixelColor(2, 0, Qt::white);
    EXPECT_TRUE(SameArea(ShapeFromKeyColour(indexed), QRegion(2, 0, 1, 1)));
}

TEST_F(SkinButtonTest, ClicksOutsideTheShapeGoToTheWindowBehind) {
    Behind window;
    window.resize(100, 100);
    CSkinButton go(&window);
    go.SetSkinBitmap(SkinPicture("go.bmp"));
    go.MoveTo(20, 20);
    CSkinButton blank(&window);
    blank.SetSkinBitmap(SkinPicture("blank.bmp"));
    blank.MoveTo(60, 60);
    int clicks = 0;
    QObject::connect(&go, &QPushButton::clicked, [&clicks] { ++clicks; });
    int blankClicks = 0;
    QObject::connect(&blank, &QPushButton::clicked, [&blankClicks] { ++blankClicks; });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    const auto at = [&window](QPoint point) {
        return QApplication::widgetAt(window.mapToGlobal(point));
    };
    EXPECT_EQ(at({23, 23}), &go);
    EXPECT_EQ(at({22, 22}), &window); // a hole
    EXPECT_EQ(at({20, 20}), &window); // a cut-off corner
    EXPECT_EQ(at({64, 63}), &window); // a picture of nothing but the key colour

    for (const QPoint point : {QPoint(22, 22), QPoint(20, 20), QPoint(64, 63), QPoint(23, 23)}) {
        QTest::mouseClick(window.windowHandle(), Qt::LeftButton, {}, point);
    }
    EXPECT_EQ(window.presses, (std::vector<QPoint>{{22, 22}, {20, 20}, {64, 63}}));
    EXPECT_EQ(clicks, 1);
    EXPECT_EQ(blankClicks, 0);
    EXPECT_TRUE(blank.Shape().isEmpty());
    EXPECT_EQ(blank.size(), QSize(9, 7));
}

TEST_F(SkinButtonTest, AMissingOrBrokenPictureGivesAnEmptyButton) {
    Behind window;
    window.resize(100, 100);
    CSkinButton button(&window);
    button.SetSkinBitmap(SkinPicture("go.bmp"));
    button.MoveTo(10, 10);
    for (const char* name : {"missing.bmp", "notes.txt"}) {
        button.SetSkinBitmap(SkinPicture(name));
        EXPECT_EQ(button.geometry(), QRect(0, 0, 0, 0)) << name;
        EXPECT_TRUE(button.Bitmap().isNull());
        EXPECT_TRUE(button.Shape().isEmpty());
        EXPECT_TRUE(button.testAttribute(Qt::WA_TransparentForMouseEvents));
    }
    // A later good load brings the button back.
    button.SetSkinBitmap(SkinPicture("go.bmp"));
    EXPECT_EQ(button.size(), QSize(kGoWidth, kGoHeight));
    EXPECT_FALSE(button.testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_TRUE(SameArea(button.mask(), PixelByPixel(button.Bitmap())));
}

TEST_F(SkinButtonTest, TheTooltipFitsItsTextAndHidesItselfAfterHalfASecond) {
    Behind window;
    window.resize(200, 200);
    CSkinButton go(&window);
    go.SetSkinBitmap(SkinPicture("go.bmp"));
    go.MoveTo(30, 40);
    CSkinButton tall(&window);
    tall.SetSkinBitmap(SkinPicture("tall.bmp"));
    tall.MoveTo(100, 100);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    go.HideTooltip(); // never shown: nothing happens
    EXPECT_EQ(go.Tooltip(), nullptr);

    const QString text = "Pick a random channel from every country of the catalogue";
    go.SetTooltipText(text);
    int timedOut = 0;
    QObject::connect(&go, &CSkinButton::TooltipTimedOut, [&] { ++timedOut; });
    QElapsedTimer sinceShown;
    sinceShown.start();
    go.ShowTooltip();
    // The popup's timer started before ShowTooltip returned, so it has at most 500 ms less this.
    QElapsedTimer sinceReturned;
    sinceReturned.start();
    CPopupText* popup = go.Tooltip();
    ASSERT_NE(popup, nullptr);
    EXPECT_TRUE(popup->Shown());
    EXPECT_TRUE(popup->isVisible());
    EXPECT_EQ(go.TooltipDelay(), 500);
    EXPECT_EQ(popup->width(), QFontMetrics(popup->font()).horizontalAdvance(text) + 8);
    EXPECT_EQ(popup->height(), CPopupText::kMinHeight); // the 6-pixel button's height, clamped
    EXPECT_EQ(popup->pos(), go.mapToGlobal(QPoint(24, kGoHeight)));
    EXPECT_EQ(popup->Text(), text);

    // Shown again while visible: not moved, not re-texted, not re-timed.
    QTest::qWait(200);
    const QRect shownAt = popup->geometry();
    go.SetTooltipText("Other");
    go.MoveTo(60, 70);
    go.ShowTooltip();
    EXPECT_EQ(popup->geometry(), shownAt);
    EXPECT_EQ(popup->Text(), text);
    auto* timer = popup->findChild<QTimer*>(QString::number(CPopupText::kTooltipTimerId));
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_LE(timer->remainingTime(), 500 - sinceReturned.elapsed() + 2);

    EXPECT_TRUE(QTest::qWaitFor([popup] { return !popup->Shown(); }, 5000));
    EXPECT_GE(sinceShown.elapsed(), 500);
    EXPECT_FALSE(popup->isVisible());
    EXPECT_FALSE(timer->isActive());
    EXPECT_EQ(timedOut, 1);

    // A taller button: the popup starts at its height and is clamped to 25.
    tall.SetTooltipText("x");
    tall.ShowTooltip();
    EXPECT_EQ(tall.Tooltip()->height(), CPopupText::kMaxHeight);
    tall.HideTooltip();
    EXPECT_FALSE(tall.Tooltip()->isVisible());
    EXPECT_FALSE(tall.Tooltip()->Shown());
}

TEST(PopupText, AVerticalMarginSizesTheHeightFromTheText) {
    CPopupText popup;
    popup.resize(10, 100);
    popup.SetText("Hide");
    const QFontMetrics metrics(popup.font());
    EXPECT_EQ(popup.width(), metrics.horizontalAdvance("Hide") + 2 * CPopupText::kDefaultMargin);
    EXPECT_EQ(popup.height(),
              std::clamp(metrics.height() + 2 * CPopupText::kDefaultMargin, 15, 25));

    popup.SetMargins(2, 0);
    popup.resize(10, 3);
    popup.SetText("Hide");
    EXPECT_EQ(popup.width(), metrics.horizontalAdvance("Hide") + 4);
    EXPECT_EQ(popup.height(), 15);

    popup.Hide(); // not shown: nothing happens
    EXPECT_FALSE(popup.Shown());
    popup.ShowTimed(10000);
    // The popup's face: a thin black frame around a gradient that starts light grey.
    const QImage face = popup.grab().toImage();
    EXPECT_EQ(face.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(face.pixelColor(1, 1), kLightGrey);
    popup.Hide();
    EXPECT_FALSE(popup.isVisible());
}

TEST_F(SkinButtonTest, TheTooltipPaintsWithThePaletteAsItStandsWhenPainted) {
    SkinPalette palette;
    CSkinButton go(nullptr, palette);
    go.SetSkinBitmap(SkinPicture("go.bmp"));
    go.SetTooltipText("Go");
    go.ShowTooltip();
    // A later skin changes the panel colour: a tooltip made before it paints the new one.
    palette.panel = QColor(200, 40, 10);
    const QImage face = go.Tooltip()->grab().toImage();
    const QRect inside = go.Tooltip()->rect().adjusted(1, 1, -1, -1);
    EXPECT_EQ(face.pixelColor(inside.right(), inside.top()),
              GradientColumnColour(inside.width() - 1, inside.width(), palette.panel));
    go.HideTooltip();
}

} // namespace
} // namespace sonavia
