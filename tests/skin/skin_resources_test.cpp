// The icons, cursors and tree pictures compiled into the program.

#include "localfiles/InterfaceArchive.h"
#include "resources/Resources.h"

#include <QFile>
#include <QImage>
#include <gtest/gtest.h>
#include <set>
#include <vector>

namespace sonavia {
namespace {

using namespace resources;

QImage Load(const char* path) {
    QImage image(QString::fromLatin1(path));
    EXPECT_FALSE(image.isNull()) << path << " is missing";
    return image.convertToFormat(QImage::Format_ARGB32);
}

TEST(ProgramResources, TrayFramesAreDistinctIconsOfTheTraySize) {
    std::set<QByteArray> frames;
    for (const char* path : kTrayIconFrames) {
        const QImage frame = Load(path);
        EXPECT_EQ(frame.size(), QSize(kTrayIconSize, kTrayIconSize)) << path;
        EXPECT_TRUE(frame.hasAlphaChannel()) << path;
        frames.insert(QByteArray(reinterpret_cast<const char*>(frame.constBits()),
                                 static_cast<int>(frame.sizeInBytes())));
    }
    EXPECT_EQ(frames.size(), kTrayIconFrames.size()) << "the animation repeats a frame";
    EXPECT_GE(Load(kWindowIcon).width(), kTrayIconSize);
}

TEST(ProgramResources, CursorHotSpotsLieOnTheDrawnShape) {
    const struct {
        const char* path;
        QPoint hotSpot;
    } cursors[] = {{kCursorNormal, {kCursorNormalHotX, kCursorNormalHotY}},
                   {kCursorPressed, {kCursorPressedHotX, kCursorPressedHotY}}};
    for (const auto& cursor : cursors) {
        const QImage image = Load(cursor.path);
        ASSERT_TRUE(image.rect().contains(cursor.hotSpot)) << cursor.path;
        EXPECT_LE(image.width(), 32) << cursor.path;
        EXPECT_GT(qAlpha(image.pixel(cursor.hotSpot)), 0) << cursor.path;
    }
}

TEST(ProgramResources, TreePicturesAreSmallAndDiffer) {
    const QImage listed = Load(kTreeClosed);
    const QImage selected = Load(kTreeSelected);
    const QImage failed = Load(kTreeFailed);
    for (const QImage* picture : {&listed, &selected, &failed}) {
        EXPECT_EQ(picture->size(), QSize(kTreeBitmapWidth, kTreeBitmapHeight));
    }
    EXPECT_NE(listed, selected);
    EXPECT_NE(failed, listed);
    EXPECT_NE(failed, selected);
}

TEST(ProgramResources, EveryPictureHasATwinTwiceAsLargeForDenseScreens) {
    std::vector<const char*> pictures(kTrayIconFrames.begin(), kTrayIconFrames.end());
    pictures.insert(pictures.end(), {kWindowIcon, kCursorNormal, kCursorPressed, kTreeClosed,
                                     kTreeSelected, kTreeFailed});
    for (const char* path : pictures) {
        const QImage fine = Load(ScaledEntryName(path, 2).c_str());
        EXPECT_EQ(fine.size(), Load(path).size() * 2) << path;
    }
}

} // namespace
} // namespace sonavia
