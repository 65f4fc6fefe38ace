// The browser pane's web view on a real X server, loaded from the web engine's module as the
// program loads it: a page from a loopback server loads, and the view is hidden, moved to another
// window and shown again with the same page, not a reload; hidden for long, the view is given
// back and shown again with the same address loaded anew; the site's ".php" pages show as web
// pages from a folder and from servers that send a wrong type. Run by webview_test.py, which
// provides the X server.
#include "StreamServers.h"
#include "components/CRadio_explorer.h"
#include "resources/ControlIds.h"

#include <QApplication>
#include <QEventLoop>
#include <QImage>
#include <QPointer>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
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

// Runs the event loop until `condition` holds or `timeoutMs` passes. The engine's own work runs
// from the event loop: a loop that sleeps between rounds, as QTest::qWaitFor does, slows every
// page load many times over.
template <typename Condition> bool RunUntil(Condition condition, int timeoutMs) {
    constexpr int kCheckIntervalMs = 20;
    QEventLoop loop;
    QTimer check;
    QObject::connect(&check, &QTimer::timeout, &loop, [&] {
        if (condition()) {
            loop.quit();
        }
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    check.start(kCheckIntervalMs);
    if (!condition()) {
        loop.exec();
    }
    return condition();
}

std::optional<QVariant> RunScript(QWebEnginePage* page, const QString& script) {
    std::optional<QVariant> result;
    page->runJavaScript(script, [&result](const QVariant& value) { result = value; });
    const bool answered = RunUntil([&result] { return result.has_value(); }, kLoadTimeoutMs);
    return answered ? result : std::nullopt;
}

// A picture of the whole screen beside the test program, for a person to look at.
void Screenshot(const QString& name) {
    const QString folder = qEnvironmentVariable("SONAVIA_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        QProcess::execute("import", {"-window", "root", folder + "/" + name});
    }
}

QWebEngineView* ViewOf(const CRadio_explorer& explorer) {
    return qobject_cast<QWebEngineView*>(explorer.View());
}

TEST(RadioExplorer, LoadsAPageKeepsItWhileHiddenAndMovedAndLoadsItAgainAfterLong) {
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

    QWebEngineView* view = ViewOf(explorer);
    ASSERT_NE(view, nullptr);
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
    EXPECT_EQ(explorer.Window()->parentWidget(), &second);
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

    // Hidden for long, the view is given back; shown again, a new one loads the same address.
    explorer.Hide();
    constexpr int kReleasedMs = 2000;
    QPointer<QWebEngineView> given(view);
    EXPECT_TRUE(RunUntil([&given] { return given == nullptr; },
                         static_cast<int>(CRadio_explorer::kReleaseDelay.count()) + kReleasedMs));
    EXPECT_EQ(explorer.View(), nullptr);
    explorer.ShowAndEnable();
    QWebEngineView* again = ViewOf(explorer);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->geometry(), QRect(QPoint(0, 0), kPaneRect.size()));
    EXPECT_TRUE(RunUntil([again] { return again->title() == "Pane page" && ShowsPage(again); },
                         kLoadTimeoutMs));
    EXPECT_EQ(again->url().toString(), address);
}

// A site page with a picture and a link beside it.
std::string SitePage(const std::string& title, const std::string& link) {
    return "<!DOCTYPE html><html><head><title>" + title +
           "</title></head><body style='margin:0;background:" + kPageColour.name().toStdString() +
           "'><img id='dot' src='dot.png'><a id='next' href='" + link +
           "'>next</a></body></html>\n";
}

// Loads `address` and waits until the view shows the page titled `title`.
bool ComesToShow(CRadio_explorer& explorer, const QString& address, const QString& title) {
    QWebEngineView* view = ViewOf(explorer);
    explorer.Navigate(address);
    return RunUntil([view, title] { return view->title() == title; }, kLoadTimeoutMs);
}

TEST(RadioExplorer, SitePagesShowAsWebPagesWhateverTheirTypeSays) {
    // The system's type list names ".php" files as PHP programs, which the engine downloads.
    test::FileServer server;
    test::FileServer plainServer("text/plain");
    ASSERT_TRUE(server.Started());
    ASSERT_TRUE(plainServer.Started());
    for (test::FileServer* files : {&server, &plainServer}) {
        files->AddFile("index.php", SitePage("Site index", "support.php"));
        files->AddFile("support.php", SitePage("Site support", "index.php"));
        QImage dot(4, 4, QImage::Format_RGB32);
        dot.fill(Qt::red);
        ASSERT_TRUE(dot.save(QString::fromStdString((files->Folder() / "dot.png").string())));
    }
    const QString folderPage =
        QUrl::fromLocalFile(QString::fromStdString((server.Folder() / "index.php").string()))
            .toString();

    QWidget holder;
    holder.setGeometry(0, 0, 420, 320);
    holder.show();
    CRadio_explorer explorer;
    explorer.Create(kPaneRect, &holder);
    ASSERT_NE(explorer.Window(), nullptr);
    QWebEngineView* view = ViewOf(explorer);

    for (const QString& address : {folderPage, QString::fromStdString(server.Url("index.php")),
                                   QString::fromStdString(plainServer.Url("index.php"))}) {
        EXPECT_TRUE(ComesToShow(explorer, address, "Site index"))
            << address.toStdString() << " shows " << view->title().toStdString();
        EXPECT_EQ(view->url().toString(), address);
        EXPECT_TRUE(RunUntil([view] { return ShowsPage(view); }, kPaintTimeoutMs))
            << address.toStdString();
        // The picture beside the page loads, and the link leads to the next page, also shown.
        EXPECT_TRUE(RunUntil(
            [view] {
                return RunScript(view->page(), "document.getElementById('dot').naturalWidth")
                           .value_or(QVariant())
                           .toInt() == 4;
            },
            kPaintTimeoutMs))
            << address.toStdString();
        RunScript(view->page(), "document.getElementById('next').click(); 0");
        EXPECT_TRUE(RunUntil([view] { return view->title() == "Site support"; }, kLoadTimeoutMs))
            << address.toStdString();
        EXPECT_EQ(RunScript(view->page(), "document.contentType").value_or(QVariant()),
                  "text/html");
    }
    Screenshot("webview-site-page.png");
}

TEST(RadioExplorer, TheSandboxIsLiftedForTheSuperuserOnly) {
    const QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--no-sandbox --disable-gpu");
    PrepareWebEngineFor(false);
    EXPECT_FALSE(qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"));
    EXPECT_EQ(qgetenv("QTWEBENGINE_CHROMIUM_FLAGS"), "--disable-gpu");
    PrepareWebEngineFor(true);
    EXPECT_EQ(qgetenv("QTWEBENGINE_DISABLE_SANDBOX"), "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags);
    PrepareWebEngine();
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
    QApplication application(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
