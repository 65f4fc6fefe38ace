#include "controls/CCheckButton.h"
#include "controls/CRadioButton.h"
#include "controls/CSearchEdit.h"
#include "controls/SquareButton.h"
#include "controls/WholeTextList.h"

#include <QAbstractItemView>
#include <QFontMetricsF>
#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>
#include <vector>

namespace sonavia {
namespace {

QColor MarkColour(QWidget& button) {
    return button.grab().toImage().pixelColor(5, 5);
}

TEST(SquareButtons, MarksAreBlackWhenCheckedAndGreyWhenNot) {
    QWidget window;
    window.resize(200, 60);
    CCheckButton check("Mute", &window);
    check.setGeometry(10, 10, 60, 14);
    CRadioButton option("", &window);
    option.setGeometry(10, 30, 14, 14);

    EXPECT_EQ(MarkColour(check), kMarkGrey);
    EXPECT_EQ(MarkColour(option), kMarkGrey);
    check.Toggle();
    option.Check();
    EXPECT_EQ(MarkColour(check), QColor(Qt::black));
    EXPECT_EQ(MarkColour(option), QColor(Qt::black));

    // The frame of the box is black at its corners; between frame and mark nothing is painted.
    const QImage face = check.grab().toImage();
    EXPECT_EQ(face.pixelColor(0, 0), QColor(Qt::black));
    EXPECT_EQ(face.pixelColor(11, 11), QColor(Qt::black));
    EXPECT_EQ(face.pixelColor(3, 3), QColor(Qt::black));
    EXPECT_EQ(face.pixelColor(8, 8), QColor(Qt::black));
    EXPECT_NE(face.pixelColor(9, 9), QColor(Qt::black));
    EXPECT_NE(face.pixelColor(2, 2), QColor(Qt::black));

    check.Uncheck();
    EXPECT_FALSE(check.Checked());
    EXPECT_EQ(MarkColour(check), kMarkGrey);
}

TEST(SquareButtons, AClickFlipsTheMarkAndReportsItButARestoreDoesNot) {
    QWidget window;
    CCheckButton mute("Mute", &window);
    mute.setGeometry(0, 0, 11, 11);
    std::vector<bool> reported;
    QObject::connect(&mute, &CCheckButton::Toggled,
                     [&](bool checked) { reported.push_back(checked); });

    QTest::mouseClick(&mute, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(mute.Checked());
    mute.Toggle();
    mute.Toggle();
    QTest::mouseClick(&mute, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(mute.Checked());
    EXPECT_EQ(reported, (std::vector<bool>{true, false}));
}

TEST(RadioButtons, CheckingOneUnchecksTheOthersOfItsParentOnly) {
    QWidget window;
    CRadioButton keep("", &window);
    CRadioButton random("", &window);
    CRadioButton third("", &window);
    keep.setGeometry(0, 0, 11, 11);
    random.setGeometry(20, 0, 11, 11);
    third.setGeometry(40, 0, 11, 11);
    QWidget otherWindow;
    CRadioButton elsewhere("", &otherWindow);
    elsewhere.Check();

    random.Check();
    third.Check();
    EXPECT_FALSE(random.Checked());

    QTest::mouseClick(&keep, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(keep.Checked());
    EXPECT_FALSE(random.Checked());
    EXPECT_FALSE(third.Checked());

    // A click on the checked button keeps it checked.
    QTest::mouseClick(&keep, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_TRUE(keep.Checked());
    EXPECT_FALSE(random.Checked());

    QTest::mouseClick(&random, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_FALSE(keep.Checked());
    EXPECT_TRUE(random.Checked());
    EXPECT_TRUE(elsewhere.Checked());
    EXPECT_EQ(MarkColour(keep), kMarkGrey);
}

TEST(SearchEdit, APressOnTheHintEmptiesItAndTypedTextStays) {
    QWidget window;
    CSearchEdit box(&window);
    box.setGeometry(0, 0, 185, 22);
    box.setContextMenuPolicy(Qt::NoContextMenu);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    box.setText(kSearchHint);
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(box.text(), "");
    QTest::keyClicks(&box, "jazz");
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(20, 10));
    QTest::mouseClick(&box, Qt::RightButton, {}, QPoint(20, 10));
    EXPECT_EQ(box.text(), "jazz");

    box.setText(kSearchHint);
    QTest::mousePress(&box, Qt::RightButton, {}, QPoint(20, 10));
    QTest::mouseRelease(&box, Qt::RightButton, {}, QPoint(20, 10));
    EXPECT_EQ(box.text(), "");

    // Only the exact hint is cleared.
    box.setText(QString(kSearchHint) + " ");
    QTest::mouseClick(&box, Qt::LeftButton, {}, QPoint(20, 10));
    EXPECT_EQ(box.text(), QString(kSearchHint) + " ");
}

TEST(WholeTextList, ShowsALongTextWholeInTheBoxAndTheOpenListAsWideAsItsWidestText) {
    QWidget window;
    window.resize(400, 300);
    WholeTextList list(&window);
    // The shopping list's size, and its longest heading.
    list.setGeometry(10, 10, 231, 20);
    const QString heading = QStringLiteral("--- Save money on the best products ---");
    const QString topic = QStringLiteral("home cinema");
    const QString longTopic = QString(60, QLatin1Char('w'));
    list.addItems({heading, topic, longTopic});
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));

    ASSERT_GT(QFontMetricsF(list.font()).horizontalAdvance(heading), list.TextFieldWidth())
        << "the heading fits the plain font: nothing to show here";
    EXPECT_LE(QFontMetricsF(list.ShownFont()).horizontalAdvance(heading), list.TextFieldWidth());
    list.setCurrentIndex(1);
    EXPECT_EQ(list.ShownFont(), list.font()) << "a short text keeps the list's own font";

    list.showPopup();
    EXPECT_GE(list.view()->width(), QFontMetrics(list.view()->font()).horizontalAdvance(longTopic));
    list.hidePopup();
}

} // namespace
} // namespace sonavia
