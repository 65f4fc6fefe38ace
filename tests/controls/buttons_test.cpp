#include "controls/CCheckButton.h"
#include "controls/CRadioButton.h"
#include "controls/CSearchEdit.h"
#include "controls/ControlState.h"
#include "controls/SquareButton.h"
#include "radio/RadioState.h"

#include <QTest>
#include <QWidget>
#include <gtest/gtest.h>

namespace sonavia {
namespace {

// Stands in for the radio window: its mute operation follows the rule the controls rely on.
class MuteWindow : public QWidget, public RadioWindowHooks {
public:
    MuteWindow() { controls::openRadioWindow = this; }
    ~MuteWindow() override { controls::openRadioWindow = nullptr; }

    void ApplyPendingHue() override {}
    void ToggleMute() override {
        playerMuted = !radio::muted;
        radio::muted = !radio::muted;
        ++muteCalls;
    }

    bool playerMuted = false;
    int muteCalls = 0;
};

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
    EXPECT_EQ(check.Checked(), 0);
    EXPECT_EQ(MarkColour(check), kMarkGrey);
}

TEST(SquareButtons, TheMuteBoxDrivesTheMuteOperationAndOtherBoxesLeaveTheFlag) {
    MuteWindow window;
    CCheckButton mute("Mute", &window);
    mute.setGeometry(0, 0, 11, 11);
    CCheckButton nonStop("Non-stop", &window);
    nonStop.setGeometry(0, 20, 60, 11);
    controls::muteBox = &mute;
    radio::muted = false;

    QTest::mouseClick(&mute, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(mute.Checked(), 1);
    EXPECT_EQ(window.muteCalls, 1);
    EXPECT_TRUE(window.playerMuted);
    EXPECT_TRUE(radio::muted);

    nonStop.Toggle();
    nonStop.Toggle();
    nonStop.Toggle();
    EXPECT_EQ(nonStop.Checked(), 1);
    EXPECT_EQ(window.muteCalls, 1);
    EXPECT_TRUE(radio::muted);

    QTest::mouseClick(&mute, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(mute.Checked(), 0);
    EXPECT_EQ(window.muteCalls, 2);
    EXPECT_FALSE(window.playerMuted);
    EXPECT_FALSE(radio::muted);
}

TEST(SquareButtons, ARegisteredMuteBoxForgetsItselfWhenItGoes) {
    {
        CCheckButton mute("Mute");
        controls::muteBox = &mute;
    }
    EXPECT_EQ(controls::muteBox, nullptr);
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
    EXPECT_EQ(random.Checked(), 0);

    QTest::mouseClick(&keep, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(keep.Checked(), 1);
    EXPECT_EQ(random.Checked(), 0);
    EXPECT_EQ(third.Checked(), 0);

    // A click on the checked button keeps it checked.
    QTest::mouseClick(&keep, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(keep.Checked(), 1);
    EXPECT_EQ(random.Checked(), 0);

    QTest::mouseClick(&random, Qt::LeftButton, {}, QPoint(5, 5));
    EXPECT_EQ(keep.Checked(), 0);
    EXPECT_EQ(random.Checked(), 1);
    EXPECT_EQ(elsewhere.Checked(), 1);
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

} // namespace
} // namespace sonavia
