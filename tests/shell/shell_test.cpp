#include "TestSupport.h"
#include "resources/ControlIds.h"
#include "rules/MessageText.h"
#include "shell/AppValues.h"
#include "shell/CMessage.h"
#include "shell/KeyboardFilter.h"

#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace sonavia {
namespace {

TEST(MessageText, BreaksOnceBeforeTheFirstBlankFromPositionFifty) {
    EXPECT_EQ(BreakMessageText("We are unable to access Channel Information at this time"),
              "We are unable to access Channel Information at this\n time");
    const std::string fifty(50, 'x');
    EXPECT_EQ(BreakMessageText(fifty), fifty);
    EXPECT_EQ(BreakMessageText("Sonavia is already running"), "Sonavia is already running");
    // No blank at position 50 or later: unchanged, however long.
    const std::string noBlank = "a b" + std::string(60, 'c');
    EXPECT_EQ(BreakMessageText(noBlank), noBlank);
    // Only one break, even when the text would need two.
    const std::string twoLines = std::string(50, 'a') + " " + std::string(50, 'b') + " end";
    EXPECT_EQ(BreakMessageText(twoLines),
              std::string(50, 'a') + "\n " + std::string(50, 'b') + " end");
}

class MessageDialog : public ::testing::Test {
protected:
    void SetUp() override { qApp->installEventFilter(&filter_); }
    void TearDown() override { qApp->removeEventFilter(&filter_); }
    KeyboardFilter filter_;
};

TEST_F(MessageDialog, ShowsTheBrokenTextAndClosesOnlyWithOk) {
    test::Watchdog watchdog(20);
    bool enterIgnored = false;
    bool escapeIgnored = false;
    QString shown;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<CMessage*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        shown = dialog->ShownText();
        auto* ok = qobject_cast<QPushButton*>(ids::FindControl(dialog, ids::kOk));
        ASSERT_NE(ok, nullptr);
        EXPECT_EQ(ok->text(), "OK");
        EXPECT_EQ(ok->cursor().shape(), Qt::PointingHandCursor);
        ASSERT_NE(ids::FindControl(dialog, ids::kMessageText), nullptr);
        QTest::keyClick(ok, Qt::Key_Return);
        QTest::keyClick(dialog, Qt::Key_Enter);
        enterIgnored = dialog->isVisible();
        QTest::keyClick(ok, Qt::Key_Escape);
        QTest::keyClick(dialog, Qt::Key_Escape);
        escapeIgnored = dialog->isVisible();
        QTest::keyClick(ok, Qt::Key_F1);
        QTest::mouseClick(ok, Qt::LeftButton);
    });
    ShowMessage(QStringLiteral("We are unable to access Channel Information at this time"));
    EXPECT_EQ(shown, "We are unable to access Channel Information at this\n time");
    EXPECT_TRUE(enterIgnored);
    EXPECT_TRUE(escapeIgnored);
}

TEST_F(MessageDialog, ShowsBothLinesWholeAtTheUsersFontSize) {
    const QFont previous = QApplication::font();
    for (const int points : {9, 11, 14}) {
        QFont font = previous;
        font.setPointSize(points);
        QApplication::setFont(font);
        CMessage dialog(QStringLiteral("We are unable to access Channel Information at this time"));
        dialog.show();
        const QWidget* label = ids::FindControl(&dialog, ids::kMessageText);
        const QWidget* ok = ids::FindControl(&dialog, ids::kOk);
        ASSERT_NE(label, nullptr);
        ASSERT_NE(ok, nullptr);
        ASSERT_EQ(label->font().pointSize(), points);
        const QRect area = label->geometry();
        EXPECT_TRUE(area.size().expandedTo(label->sizeHint()) == area.size())
            << points << " pt: " << label->sizeHint().width() << " > " << area.width();
        for (const QString& line : dialog.ShownText().split('\n')) {
            EXPECT_LE(label->fontMetrics().horizontalAdvance(line), area.width()) << points;
        }
        EXPECT_TRUE(dialog.rect().contains(area)) << points;
        EXPECT_TRUE(dialog.rect().contains(ok->geometry())) << points;
        EXPECT_GT(ok->geometry().top(), area.bottom()) << points;
    }
    QApplication::setFont(previous);
}

TEST_F(MessageDialog, IsCentredOnItsOwner) {
    test::Watchdog watchdog(20);
    QDialog owner;
    owner.setGeometry(200, 150, 600, 400);
    owner.show();
    QPoint ownerCentre = owner.frameGeometry().center();
    QPoint dialogCentre;
    QTimer::singleShot(0, [&] {
        auto* dialog = QApplication::activeModalWidget();
        ASSERT_NE(dialog, nullptr);
        dialogCentre = dialog->frameGeometry().center();
        dialog->close();
    });
    CMessage message(QStringLiteral("centred"), &owner);
    message.exec();
    EXPECT_LE((dialogCentre - ownerCentre).manhattanLength(), 2);
}

TEST_F(MessageDialog, TabAndAltNeverReachADialogsControls) {
    QDialog dialog;
    auto* first = new QLineEdit(&dialog);
    auto* second = new QLineEdit(&dialog);
    dialog.show();
    first->setFocus();
    QApplication::processEvents();
    QTest::keyClick(first, Qt::Key_Tab);
    EXPECT_TRUE(first->hasFocus());
    EXPECT_FALSE(second->hasFocus());
    QTest::keyClick(first, Qt::Key_A);
    EXPECT_EQ(first->text(), "a");
    EXPECT_TRUE(KeyboardFilter::IsFilteredKey(Qt::Key_Alt));
    EXPECT_TRUE(KeyboardFilter::IsFilteredKey(Qt::Key_AltGr));
    EXPECT_FALSE(KeyboardFilter::IsFilteredKey(Qt::Key_A));
}

TEST_F(MessageDialog, AltLettersReachNoMnemonicOfAButtonOrAMenu) {
    test::Watchdog watchdog(20);
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* bar = new QMenuBar(&dialog);
    QMenu* file = bar->addMenu(QStringLiteral("&File"));
    QAction* open = file->addAction(QStringLiteral("&Open"));
    layout->setMenuBar(bar);
    auto* edit = new QLineEdit(&dialog);
    auto* ok = new QPushButton(QStringLiteral("&OK"), &dialog);
    layout->addWidget(edit);
    layout->addWidget(ok);
    QSignalSpy pressed(ok, &QPushButton::pressed);
    QSignalSpy triggered(open, &QAction::triggered);
    dialog.show();
    QApplication::setActiveWindow(&dialog);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    edit->setFocus();

    QTest::keyClick(edit, Qt::Key_O, Qt::AltModifier);
    QTest::keyClick(edit, Qt::Key_F, Qt::AltModifier);
    QApplication::processEvents();
    EXPECT_EQ(pressed.count(), 0);
    EXPECT_FALSE(file->isVisible());
    EXPECT_TRUE(edit->text().isEmpty());

    // Inside an open menu Alt+letter picks no item either.
    file->popup(bar->mapToGlobal(QPoint(0, bar->height())));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(file));
    QTest::keyClick(file, Qt::Key_O, Qt::AltModifier);
    QApplication::processEvents();
    EXPECT_EQ(triggered.count(), 0);
    file->hide();
}

TEST(ExitRequest, RaisesTheFlagAndEndsTheRunningLoop) {
    QTimer::singleShot(0, [] { app::RequestExit(); });
    QTimer::singleShot(5000, [] { QCoreApplication::exit(1); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(app::exitRequested);
    app::ClearRequests();
}

} // namespace
} // namespace sonavia
