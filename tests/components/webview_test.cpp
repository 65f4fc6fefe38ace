// The browser pane's web view on a real X server: a page from a loopback server loads, and the
// view is hidden, moved to another window and shown again with the same page, not a reload.
// Run by webview_test.py, which provides the X server.
#include "StreamServers.h"
#include "components/CRadio_explorer.h"
#include "resources/ControlIds.h"

#include <QApplication>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QWidget>
#include <gtest/gtest.h>
#include <optional>

namespace sonavia {
namespace {

constexpr int kLoadTimeoutMs = 30000;
constexpr int kPaintTimeoutMs = 10000;
const QColor kPageColour(40, 120, 200);
const QRect kPaneRect(10, 10, 400, 300);

// The page's colour at the centre of what the view shows.
bool ShowsPage(QWidget* view) {
    const QImage shot = view->grab().toImage();
    const QColor centre = shot.pixelColor(shot.rect().center());
    return qAbs(centre.red() - kPageColour.red()) < 8 &&
           qAbs(centre.green() - kPageColour.green()) < 8 &&
           qAbs(centre.blue() - kPageColour.blue()) < 8;
}

std::optional<QVariant> RunScript(QWebEnginePage* page, const QString& script) {
    std::optional<QVariant> result;
    page->runJavaScript(script, [&result](const QVariant& value) { result = value; });
    const bool answered = QTest::qWaitFor([&result] { return result.has_value(); }, kLoadTimeoutMs);
    return answered ? result : std::nullopt;
}

// A picture of the whole screen beside the test program, for a person to look at.
void Screenshot(const QString& name) {
    const QString folder = qEnvironmentVariable("SONAVIA_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        QProcess::execute("import", {"-window", "root", folder + "/" + name});
    }
}

TEST(RadioExplorer, LoadsAPageThenKeepsItWhileHiddenAndMovedToAnotherWindow) {
    test::FileServer server;
    ASSERT_TRUE(server.Started());
    server.AddFile("pane.html", "<!DOCTYPE html><html><head><title>Pane page</title></head>"
                                "<body style='margin:0;background:" +
                                    kPageColour.name().toStdString() +
                                    "'><h1 style='color:white'>Browser pane</h1></body></html>\n");
    const QString address = QString::fromStdString(server.Url("pane.html"));

    QWidget first;
    first.setWindowTitle("first holder");
    first.setGeometry(0, 0, 420, 320);
    first.show();
    QWidget second;
    second.setWindowTitle("second holder");
    second.setGeometry(440, 0, 420, 320);
    second.show();

    CRadio_explorer explorer;
    explorer.Create(kPaneRect, &first);
    ASSERT_NE(explorer.Window(), nullptr);
    EXPECT_EQ(ids::FindControl(&first, ids::kBrowserControl), explorer.Window());
    EXPECT_EQ(explorer.Window()->geometry(), kPaneRect);

    QWebEngineView* view = explorer.View();
    QSignalSpy loads(view, &QWebEngineView::loadStarted);
    QSignalSpy finished(view, &QWebEngineView::loadFinished);
    explorer.Navigate(address);
    ASSERT_TRUE(finished.wait(kLoadTimeoutMs) || finished.count() > 0);
    EXPECT_TRUE(finished.first().first().toBool());
    EXPECT_EQ(view->title(), "Pane page");
    EXPECT_TRUE(QTest::qWaitFor([view] { return ShowsPage(view); }, kPaintTimeoutMs));
    // Page state that a reload would lose.
    ASSERT_TRUE(RunScript(view->page(), "window.paneMark = 1095; window.paneMark").has_value());
    Screenshot("webview-loaded.png");

    explorer.Hide();
    EXPECT_FALSE(view->isVisible());
    explorer.SetParent(&second);
    EXPECT_EQ(view->parentWidget(), &second);
    EXPECT_FALSE(view->isVisible());
    QTest::qWait(200);

    explorer.ShowAndEnable();
    EXPECT_TRUE(view->isVisible());
    EXPECT_TRUE(view->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([view] { return ShowsPage(view); }, kPaintTimeoutMs));
    EXPECT_EQ(view->url().toString(), address);
    EXPECT_EQ(RunScript(view->page(), "window.paneMark").value_or(QVariant()).toInt(), 1095);
    EXPECT_EQ(loads.count(), 1);
    Screenshot("webview-moved.png");
}

TEST(RadioExplorer, WithoutAParentThereIsNoWindowAndEveryCallDoesNothing) {
    CRadio_explorer explorer;
    explorer.Create(kPaneRect, nullptr);
    EXPECT_EQ(explorer.Window(), nullptr);
    explorer.Navigate("http://127.0.0.1:9/");
    explorer.ShowAndEnable();
    explorer.Hide();
    EXPECT_EQ(explorer.Window(), nullptr);
}

} // namespace
} // namespace sonavia

int main(int argc, char** argv) {
    // The web engine shares its drawing contexts with the widgets; this must precede the
    // application object.
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
