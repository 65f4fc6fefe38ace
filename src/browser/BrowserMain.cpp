// The browser program: the browser pane's web view in a process of its own, inside the window of
// the control that started it (BrowserProtocol.h).
#include "browser/BrowserProtocol.h"
#include "browser/WebEngineSandbox.h"
#include "browser/WebViewModule.h"
#include "rules/PaneGeometry.h"

#include <QApplication>
#include <QByteArray>
#include <QEvent>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QUrl>
#include <QWebEngineView>
#include <QWindow>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <unistd.h>
#include <utility>
#include <xcb/xcb.h>

namespace sonavia::browser {

namespace {

constexpr int kUsageExitCode = 2;
constexpr std::size_t kReadChunk = 4096;
// Longer than any address the control sends: a line this long is not a command and is dropped.
constexpr qsizetype kMaxLine = 4 * 1024 * 1024;

void Report(const char* report, const QByteArray& value) {
    std::printf("%s %s\n", report, value.constData());
    std::fflush(stdout);
}

// The X server sends keys to the window that has the input focus, which the window manager gives
// to the pane's own window: a click into the page takes the focus into the view's window, so that
// what the user types reaches the page wherever the pointer is. The focus goes back to the pane's
// window when the view is hidden, and to another window when the user clicks there.
class FocusOnClick : public QObject {
public:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() != QEvent::MouseButtonPress) {
            return false;
        }
        const auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
        auto* window = qobject_cast<QWindow*>(watched);
        if (x11 != nullptr && window != nullptr) {
            xcb_set_input_focus(x11->connection(), XCB_INPUT_FOCUS_PARENT,
                                static_cast<xcb_window_t>(window->winId()), XCB_CURRENT_TIME);
            xcb_flush(x11->connection());
        }
        return false;
    }
};

// The view, as a window inside the control's, run by the control's commands.
class Browser {
public:
    Browser(WId control, std::unique_ptr<QWebEngineView> view)
        : control_(QWindow::fromWinId(control)), view_(std::move(view)),
          input_(STDIN_FILENO, QSocketNotifier::Read) {
        view_->setWindowTitle(QString::fromLatin1(kBrowserPaneTitle));
        // Screen readers call the page by the pane's name, as they call the pane.
        view_->setAccessibleName(QString::fromLatin1(kBrowserPaneTitle));
        // Made and put into the control's window before it is shown, so that the window
        // manager never takes it for a window of its own.
        view_->winId();
        view_->windowHandle()->setParent(control_.get());
        view_->move(0, 0);
        view_->windowHandle()->installEventFilter(&focusOnClick_);
        QObject::connect(view_.get(), &QWebEngineView::urlChanged, [](const QUrl& address) {
            if (address.isValid()) {
                Report(kShowing, address.toEncoded());
            }
        });
        QObject::connect(&input_, &QSocketNotifier::activated, [this] { Read(); });
        Report(kWindow, QByteArray::number(view_->winId()));
    }
    Browser(const Browser&) = delete;
    Browser& operator=(const Browser&) = delete;

private:
    void Read() {
        char chunk[kReadChunk];
        const ssize_t read = ::read(STDIN_FILENO, chunk, sizeof chunk);
        if (read < 0 && (errno == EINTR || errno == EAGAIN)) {
            return;
        }
        if (read <= 0) {
            // The control let the browser go, or the program ended. Not quit(), which a shown
            // window refuses.
            input_.setEnabled(false);
            QCoreApplication::exit();
            return;
        }
        pending_.append(chunk, read);
        for (qsizetype end = pending_.indexOf('\n'); end >= 0; end = pending_.indexOf('\n')) {
            Run(pending_.left(end));
            pending_.remove(0, end + 1);
        }
        if (pending_.size() > kMaxLine) {
            pending_.clear();
        }
    }

    void Run(const QByteArray& line) {
        const QList<QByteArray> words = line.split(' ');
        const QByteArray& command = words.first();
        if (command == kLoad && words.size() == 2) {
            view_->setUrl(QUrl::fromEncoded(words[1]));
        } else if (command == kSize && words.size() == 3) {
            bool widthOk = false;
            bool heightOk = false;
            const int width = words[1].toInt(&widthOk);
            const int height = words[2].toInt(&heightOk);
            if (widthOk && heightOk && width > 0 && height > 0) {
                view_->resize(width, height);
            }
        } else if (command == kShow) {
            view_->show();
        } else if (command == kHide) {
            view_->hide();
        }
    }

    // The control's window as this process knows it; the view's window is its child, and so goes
    // first.
    std::unique_ptr<QWindow> control_;
    FocusOnClick focusOnClick_;
    std::unique_ptr<QWebEngineView> view_;
    QSocketNotifier input_;
    QByteArray pending_;
};

} // namespace

} // namespace sonavia::browser

int main(int argc, char** argv) {
    using namespace sonavia::browser;
    sonavia::PrepareWebEngine();
    sonavia::KeepWebEngineOffOpenGl();
    QApplication application(argc, argv);
    QApplication::setApplicationName(QString::fromLatin1(sonavia::kBrowserPaneTitle));
    const QStringList arguments = QApplication::arguments();
    bool intoOk = false;
    const WId control = arguments.value(2).toULongLong(&intoOk);
    if (arguments.size() != 3 || arguments[1] != QLatin1String(kIntoOption) || !intoOk ||
        QGuiApplication::platformName() != QLatin1String(kX11Platform)) {
        std::fprintf(stderr, "usage: %s %s <X11 window id>\n", kProgramFile, kIntoOption);
        return kUsageExitCode;
    }
    std::unique_ptr<QWidget> made(SonaviaCreateWebView(nullptr));
    if (qobject_cast<QWebEngineView*>(made.get()) == nullptr) {
        return EXIT_FAILURE;
    }
    Browser browser(control,
                    std::unique_ptr<QWebEngineView>(static_cast<QWebEngineView*>(made.release())));
    return QApplication::exec();
}
