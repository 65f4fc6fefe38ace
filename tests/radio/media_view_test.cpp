#include "FakePlayerEngine.h"
#include "TestSupport.h"
#include "catalogue/CatalogueValues.h"
#include "radio/CMediaView.h"
#include "shell/AppValues.h"

#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <gtest/gtest.h>

namespace sonavia {
namespace {

// The station tree on its own, with entries whose names are in no catalogue record: choosing one
// fetches nothing, so channel.dat alone tells which entry the tree chose.
class MediaViewTest : public testing::Test {
protected:
    void SetUp() override {
        app::startupDirectory = folder_.Path();
        catalogue::packageBase = "package0";
        catalogue::radioCatalogue = {};
        StationRecord alpha;
        alpha.country = "Norway";
        alpha.key = "A steady tone";
        alpha.name = "Alpha";
        alpha.present = true;
        catalogue::radioCatalogue.records.push_back(alpha);
        catalogue::radioCatalogue.count = catalogue::radioCatalogue.filled = 1;
        view_.resize(300, 200);
        for (const char* name : {"Ghost A", "Ghost B", "Ghost C", "Alpha"}) {
            view_.AddStation(QString::fromLatin1(name));
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

    test::TempDir folder_;
    test::FakePlayerEngine player_;
    CMediaView view_{player_};
};

TEST_F(MediaViewTest, AClickChoosesTheClickedEntryOnceAndArmsOneKeyboardChange) {
    const auto shown = test::CatchMessages([&] {
        QTest::mouseClick(view_.viewport(), Qt::LeftButton, {}, Centre(1));
        EXPECT_EQ(Chosen(), "Ghost B") << "only the clicked entry, and channel.dat is written";
        QTest::keyClick(view_.viewport(), Qt::Key_Down);
        EXPECT_EQ(Chosen(), "Ghost C");
        QTest::keyClick(view_.viewport(), Qt::Key_Up);
        EXPECT_EQ(Chosen(), "") << "a second key chooses nothing";
    });
    EXPECT_TRUE(shown.empty()) << "a name in no record shows nothing";
    EXPECT_TRUE(player_.opened.empty()) << "and plays nothing";
    EXPECT_FALSE(std::filesystem::exists(folder_ / "tv.dat"));
}

TEST_F(MediaViewTest, AnEntryWithChildrenOnlyArms) {
    auto* parent = view_.topLevelItem(0);
    parent->addChild(new QTreeWidgetItem(QStringList{QStringLiteral("Child")}));
    QTest::mouseClick(view_.viewport(), Qt::LeftButton, {}, Centre(0));
    EXPECT_EQ(Chosen(), "");
    QTest::keyClick(view_.viewport(), Qt::Key_Down);
    EXPECT_EQ(Chosen(), "Ghost B") << "the click armed the next change";
}

TEST_F(MediaViewTest, TheInfoTipIsTheStationsDescription) {
    QHelpEvent help(QEvent::ToolTip, Centre(3), view_.viewport()->mapToGlobal(Centre(3)));
    QApplication::sendEvent(view_.viewport(), &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("A steady tone"));
    QHelpEvent none(QEvent::ToolTip, Centre(0), view_.viewport()->mapToGlobal(Centre(0)));
    QApplication::sendEvent(view_.viewport(), &none);
    EXPECT_TRUE(QTest::qWaitFor([] { return QToolTip::text().isEmpty(); }, 5000))
        << "a name in no record has no tip";
}

} // namespace
} // namespace sonavia
