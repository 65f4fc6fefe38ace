#include "FakePlayer.h"
#include "TestSupport.h"
#include "catalogue/Config.h"
#include "radio/CMediaView.h"
#include "radio/RadioCore.h"

#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <cstdlib>
#include <gtest/gtest.h>

namespace sonavia {
namespace {

// The station tree over the radio's core, with a catalogue in a local folder that holds only
// "Alpha" (as Latin-1 bytes, "Älpha"): choosing the other entries fetches nothing, so
// channel.dat alone tells which entry the tree chose.
class MediaViewTest : public testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(folder_ / "Sonavia/channelsplus");
        test::WriteFileBytes(folder_ / "Sonavia/channelsplus/channels.rd",
                             "1\nNorway\nA steady tone\n1\n" + kAlpha + "\n");
        test::WriteFileBytes(folder_ / "Sonavia/freechannels/package0.rd", "1\n");
        core_.Start();
        ASSERT_TRUE(QTest::qWaitFor([this] { return core_.CatalogueReady(); }, 5000));
        view_.resize(300, 200);
        for (const std::string name : {"Ghost A", "Ghost B", "Ghost C", kAlpha.c_str()}) {
            view_.AddStation(name);
        }
        view_.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view_));
    }

    QPoint Centre(int row) const { return view_.visualItemRect(view_.topLevelItem(row)).center(); }

    // The station the tree chose last; none when channel.dat was not written since the last call.
    std::string Chosen() {
        const auto path = folder_ / "channel.dat";
        if (!std::filesystem::exists(path)) {
            return {};
        }
        std::string text = test::ReadFileBytes(path);
        std::filesystem::remove(path);
        return text.substr(text.find('\n') + 1);
    }

    const std::string kAlpha = "\xC4lpha";
    test::TempDir folder_;
    FakePlayer player_;
    // The catalogue is read from the test's folder.
    RadioCore core_{
        player_, {FileUrlOf(folder_.Path()) + kCatalogueProductFolder, {}, {}}, folder_.Path(), {}};
    CMediaView view_{core_};
};

TEST_F(MediaViewTest, AClickChoosesTheClickedEntryOnceAndArmsOneKeyboardChange) {
    QTest::mouseClick(view_.viewport(), Qt::LeftButton, {}, Centre(1));
    EXPECT_EQ(Chosen(), "Ghost B") << "only the clicked entry, and channel.dat is written";
    QTest::keyClick(view_.viewport(), Qt::Key_Down);
    EXPECT_EQ(Chosen(), "Ghost C");
    QTest::keyClick(view_.viewport(), Qt::Key_Up);
    EXPECT_EQ(Chosen(), "") << "a second key chooses nothing";
    EXPECT_TRUE(player_.opened.empty()) << "a name in no record plays nothing";
    EXPECT_FALSE(std::filesystem::exists(folder_ / "tv.dat"));

    // An 8-bit name shows its own letter and is chosen by its own bytes.
    EXPECT_EQ(view_.topLevelItem(3)->text(0), QStringLiteral("\u00C4lpha"));
    QTest::mouseClick(view_.viewport(), Qt::LeftButton, {}, Centre(3));
    EXPECT_EQ(core_.CurrentStationName(), kAlpha);
    // Its address is asked for off the interface thread; channel.dat follows the answer.
    std::string chosen;
    EXPECT_TRUE(QTest::qWaitFor([&] { return !(chosen = Chosen()).empty(); }, 5000));
    EXPECT_EQ(chosen, kAlpha);
}

TEST_F(MediaViewTest, AnEntryWithChildrenOnlyArms) {
    auto* parent = view_.topLevelItem(0);
    parent->addChild(new QTreeWidgetItem(QStringList{QStringLiteral("Child")}));
    QTest::mouseClick(view_.viewport(), Qt::LeftButton, {}, Centre(0));
    EXPECT_EQ(Chosen(), "");
    QTest::keyClick(view_.viewport(), Qt::Key_Down);
    EXPECT_EQ(Chosen(), "Ghost B") << "the click armed the next change";
}

TEST_F(MediaViewTest, TheInfoTipIsTheStationsDescriptionAndTheSelectionIsBlackOnWhite) {
    QHelpEvent help(QEvent::ToolTip, Centre(3), view_.viewport()->mapToGlobal(Centre(3)));
    QApplication::sendEvent(view_.viewport(), &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("A steady tone"));
    QHelpEvent none(QEvent::ToolTip, Centre(0), view_.viewport()->mapToGlobal(Centre(0)));
    QApplication::sendEvent(view_.viewport(), &none);
    EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::text().isEmpty(); }, 5000))
        << "a name in no record has no tip";

    // Only the picture marks the selected entry: its row keeps the white of the others.
    view_.SelectQuietly(view_.topLevelItem(1));
    const QImage shown = view_.viewport()->grab().toImage();
    const QRect row = view_.visualItemRect(view_.topLevelItem(1));
    for (int x = row.right() - 40; x < row.right() - 2; x += 4) {
        EXPECT_EQ(shown.pixelColor(x, row.center().y()), QColor(Qt::white)) << x;
    }
}

} // namespace
} // namespace sonavia
