// The browser pane's web view on a real X server, as the program holds it. On X11 it runs in the
// browser program with its window inside the control's: its page shows on the screen in the
// control, takes clicks and keys, and stays while the control is hidden and moved to another
// window; hidden for long, the browser ends with every process of the engine, and shown again a
// new one loads the same address. The site's ".php" pages show as web pages from a folder and from
// servers that send a wrong type. Elsewhere the view comes from the engine's module into the
// program. Run by webview_test.py, which provides the X server.
#include "StreamServers.h"
#include "browser/BrowserProcess.h"
#include "browser/CRadio_explorer.h"
#include "resources/ControlIds.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <QWebEngineView>
#include <QWidget>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <unistd.h>

namespace sonavia {
namespace {

constexpr int kLoadTimeoutMs = 30000;
constexpr int kPaintTimeoutMs = 10000;
const QColor kPageColour(40, 120, 200);
const QColor kClickedColour(200, 120, 40);
const QColor kTypedColour(40, 200, 120);
const QColor kNextPageColour(120, 40, 200);
const QRect kPaneRect(10, 10, 400, 300);
const QPoint kCentre(200, 150);
// Where a site page shows its picture, which is red.
const QPoint kPicture(20, 20);

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

// What the screen shows at `point` of the control, with the windows of other processes inside it.
bool ScreenShows(QWidget* control, QColor colour, QPoint point) {
    const QImage shot = control->screen()->grabWindow(control->winId()).toImage();
    const QColor seen = shot.pixelColor(point);
    return qAbs(seen.red() - colour.red()) < 8 && qAbs(seen.green() - colour.green()) < 8 &&
           qAbs(seen.blue() - colour.blue()) < 8;
}

bool ComesToShow(QWidget* control, QColor colour, QPoint point = kCentre) {
    return RunUntil([=] { return ScreenShows(control, colour, point); }, kLoadTimeoutMs);
}

// A picture of the whole screen beside the test program, for a person to look at.
void Screenshot(const QString& name) {
    const QString folder = qEnvironmentVariable("SONAVIA_SCREENSHOT_DIR");
    if (!folder.isEmpty()) {
        QProcess::execute("import", {"-window", "root", folder + "/" + name});
    }
}

// The user's pointer and keyboard, through the X server.
void Xdotool(const QStringList& arguments) {
    QProcess::execute("xdotool", arguments);
}

void PointerTo(QWidget* control, QPoint point, const QStringList& then = {}) {
    const QPoint global = control->mapToGlobal(point);
    // Not --sync, which waits for ever when the pointer is there already; the X server takes the
    // move before what follows.
    Xdotool(QStringList{"mousemove", QString::number(global.x()), QString::number(global.y())} +
            then);
}

// Clicks the middle of the control until it shows `colour`. The engine drops the input that comes
// in the first moments after a page's first paint.
bool ClickUntilShows(QWidget* control, QColor colour) {
    constexpr int kClickIntervalMs = 3000;
    return RunUntil(
        [=] {
            PointerTo(control, kCentre, {"click", "1"});
            return RunUntil([=] { return ScreenShows(control, colour, kCentre); },
                            kClickIntervalMs);
        },
        kLoadTimeoutMs);
}

// The live processes below `parent` (zombies have ended): its children and theirs.
std::set<pid_t> ProcessesBelow(pid_t parent) {
    std::set<pid_t> found;
    for (const QString& entry : QDir("/proc").entryList(QDir::Dirs)) {
        QFile file("/proc/" + entry + "/stat");
        if (!file.open(QIODevice::ReadOnly)) {
            continue;
        }
        // pid (name) state ppid ...
        const QList<QByteArray> fields = file.readAll().split(')').last().trimmed().split(' ');
        if (fields.size() > 1 && fields[0] != "Z" && fields[1].toInt() == parent) {
            found.insert(entry.toInt());
            found.merge(ProcessesBelow(entry.toInt()));
        }
    }
    return found;
}

// The browser programs this test started, with every process of their engines.
std::set<pid_t> Browsers() {
    std::set<pid_t> browsers;
    for (const pid_t child : ProcessesBelow(getpid())) {
        QFile name(QString("/proc/%1/comm").arg(child));
        if (name.open(QIODevice::ReadOnly) && name.readAll().trimmed() == "sonavia-browser") {
            browsers.insert(child);
            browsers.merge(ProcessesBelow(child));
        }
    }
    return browsers;
}

bool AnyRuns(const std::set<pid_t>& processes) {
    for (const pid_t process : processes) {
        QFile stat(QString("/proc/%1/stat").arg(process));
        if (stat.open(QIODevice::ReadOnly) && !stat.readAll().split(')').last().startsWith(" Z")) {
            return true;
        }
    }
    return false;
}

bool OnX11() {
    return QGuiApplication::platformName() == "xcb";
}

TEST(RadioExplorer, TheBrowserShowsThePageKeepsItWhileHiddenAndMovedAndEndsAfterLong) {
    if (!OnX11()) {
        GTEST_SKIP() << "the browser program runs on X11 only";
    }
    test::FileServer server;
    ASSERT_TRUE(server.Started());
    // Clicks and keys recolour the page: state that a reload would lose.
    server.AddFile("pane.html",
                   "<!DOCTYPE html><html><head><title>Pane page</title><script>"
                   "addEventListener('click', () => document.body.style.background"
                   " = '" +
                       kClickedColour.name().toStdString() +
                       "');"
                       "addEventListener('keydown', () => document.body.style.background"
                       " = '" +
                       kTypedColour.name().toStdString() +
                       "');</script></head>"
                       "<body style='margin:0;background:" +
                       kPageColour.name().toStdString() + "'></body></html>\n");
    const QString address = QString::fromStdString(server.Url("pane.html"));

    QWidget first;
    first.setGeometry(0, 0, 420, 320);
    first.show();
    QWidget second;
    second.setGeometry(440, 0, 420, 320);
    second.show();

    CRadio_explorer explorer;
    explorer.Create(kPaneRect, &first);
    QWidget* control = explorer.Window();
    ASSERT_NE(control, nullptr);
    EXPECT_EQ(ids::FindControl(&first, ids::kBrowserControl), control);
    EXPECT_EQ(control->geometry(), kPaneRect);
    // The view lives in the browser program, not in this one.
    EXPECT_EQ(explorer.View(), nullptr);
    explorer.Navigate(address);
    ASSERT_TRUE(ComesToShow(control, kPageColour));
    const std::set<pid_t> browsers = Browsers();
    EXPECT_GE(browsers.size(), 2U) << "the browser and the engine's helpers";

    // A click reaches the page, and the keys typed then, wherever the pointer goes.
    EXPECT_TRUE(ClickUntilShows(control, kClickedColour));
    PointerTo(control, QPoint(-5, -5), {"key", "k"});
    EXPECT_TRUE(ComesToShow(control, kTypedColour));
    Screenshot("webview-loaded.png");

    // Hidden and moved to another window, the same browser shows the page as it was.
    explorer.Hide();
    explorer.SetParent(&second);
    EXPECT_EQ(control->parentWidget(), &second);
    QTest::qWait(200);
    explorer.ShowAndEnable();
    EXPECT_TRUE(control->isEnabled());
    EXPECT_TRUE(ComesToShow(control, kTypedColour));
    EXPECT_EQ(Browsers(), browsers);
    Screenshot("webview-moved.png");

    // Hidden for long, the browser ends with all the engine's processes; shown again, a new one
    // loads the same address.
    explorer.Hide();
    EXPECT_TRUE(RunUntil([&browsers] { return !AnyRuns(browsers); },
                         static_cast<int>(CRadio_explorer::kReleaseDelay.count()) + 3000));
    explorer.ShowAndEnable();
    EXPECT_TRUE(ComesToShow(control, kPageColour));
    const std::set<pid_t> again = Browsers();
    EXPECT_FALSE(again.empty());

    // The control goes, shown, as when the program ends: the browser ends by itself, well before
    // it would be killed.
    delete control;
    EXPECT_TRUE(RunUntil([&again] { return !AnyRuns(again); },
                         static_cast<int>(BrowserProcess::kEndTime.count()) / 2));
}

// A site page with a red picture at kPicture and a link over the middle of the control.
std::string SitePage(QColor colour, const std::string& link) {
    return "<!DOCTYPE html><html><head><title>Site</title></head><body style='margin:0;"
           "background:" +
           colour.name().toStdString() +
           "'><img src='dot.png' style='display:"
           "block;width:40px;height:40px'><a href='" +
           link +
           "' style='display:block;"
           "height:240px'>next</a></body></html>\n";
}

TEST(RadioExplorer, SitePagesShowAsWebPagesWhateverTheirTypeSays) {
    // The system's type list names ".php" files as PHP programs, which the engine downloads.
    test::FileServer server;
    test::FileServer plainServer("text/plain");
    ASSERT_TRUE(server.Started());
    ASSERT_TRUE(plainServer.Started());
    for (test::FileServer* files : {&server, &plainServer}) {
        files->AddFile("index.php", SitePage(kPageColour, "support.php"));
        // Its link leads to itself: clicks repeated while it loads still end there.
        files->AddFile("support.php", SitePage(kNextPageColour, "support.php"));
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
    QWidget* control = explorer.Window();
    ASSERT_NE(control, nullptr);

    for (const QString& address : {folderPage, QString::fromStdString(server.Url("index.php")),
                                   QString::fromStdString(plainServer.Url("index.php"))}) {
        explorer.Navigate(address);
        EXPECT_TRUE(ComesToShow(control, kPageColour) && ComesToShow(control, Qt::red, kPicture))
            << address.toStdString();
        // The link leads to the next page, also shown.
        EXPECT_TRUE(ClickUntilShows(control, kNextPageColour)) << address.toStdString();
    }
    Screenshot("webview-site-page.png");
}

// Where a window of another process cannot lie inside the program's, the view is the module's.
TEST(RadioExplorer, OffX11TheViewIsTheModulesInThisProgram) {
    if (OnX11()) {
        GTEST_SKIP() << "on X11 the view is the browser program's";
    }
    test::FileServer server;
    ASSERT_TRUE(server.Started());
    server.AddFile("index.php", SitePage(kPageColour, "support.php"));
    QWidget holder;
    holder.setGeometry(0, 0, 420, 320);
    holder.show();
    CRadio_explorer explorer;
    explorer.Create(kPaneRect, &holder);
    auto* view = qobject_cast<QWebEngineView*>(explorer.View());
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->geometry(), QRect(QPoint(0, 0), kPaneRect.size()));
    explorer.Navigate(QString::fromStdString(server.Url("index.php")));
    EXPECT_TRUE(RunUntil([view] { return view->title() == "Site"; }, kLoadTimeoutMs));
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
