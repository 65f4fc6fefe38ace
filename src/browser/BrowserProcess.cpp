#include "browser/BrowserProcess.h"

#include "browser/BrowserLog.h"
#include "browser/BrowserProtocol.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QProcess>
#include <QSize>
#include <QStringList>
#include <QTimer>
#include <cstdlib>
#include <memory>
#include <xcb/xcb.h>

namespace sonavia {

namespace {

xcb_connection_t* X11Connection() {
    const auto* x11 = qGuiApp != nullptr
                          ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>()
                          : nullptr;
    return x11 != nullptr ? x11->connection() : nullptr;
}

QByteArray Command(const char* command, const QByteArray& value = {}) {
    QByteArray line(command);
    if (!value.isEmpty()) {
        line += ' ' + value;
    }
    return line;
}

} // namespace

BrowserProcess::BrowserProcess(const QString& program, WId control, const QSize& size,
                               const QUrl& address)
    : process_(std::make_unique<QProcess>()), showing_(address) {
    // The engine's messages go where the program's go.
    process_->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    reports_ = QObject::connect(process_.get(), &QProcess::readyReadStandardOutput, process_.get(),
                                [this] { ReadReports(); });
    QObject::connect(process_.get(), &QProcess::errorOccurred, process_.get(),
                     [program](QProcess::ProcessError) {
                         qCWarning(lcBrowser) << "the browser program" << program << "failed";
                     });
    QObject::connect(process_.get(), &QProcess::finished, process_.get(),
                     [](int code, QProcess::ExitStatus status) {
                         qCInfo(lcBrowser) << "the browser program ended with" << code
                                           << (status == QProcess::CrashExit ? "(crashed)" : "");
                     });
    process_->start(program, {QString::fromLatin1(browser::kIntoOption), QString::number(control)});
    // Taken in order once the browser reads its input.
    Resize(size);
    if (address.isValid()) {
        Load(address);
    }
}

BrowserProcess::~BrowserProcess() {
    TakeWindowOut();
    QObject::disconnect(reports_);
    if (Ended() || QCoreApplication::instance() == nullptr) {
        return;
    }
    // The browser ends when its input ends; the application keeps the process until then, and
    // kills a browser that does not end in time.
    QProcess* ending = process_.release();
    ending->setParent(QCoreApplication::instance());
    QObject::connect(ending, &QProcess::finished, ending, &QObject::deleteLater);
    QTimer::singleShot(kEndTime, ending, [ending] { ending->kill(); });
    ending->closeWriteChannel();
}

void BrowserProcess::Load(const QUrl& address) {
    Send(Command(browser::kLoad, address.toEncoded()));
}

QUrl BrowserProcess::Showing() const {
    return showing_;
}

void BrowserProcess::Resize(const QSize& size) {
    Send(Command(browser::kSize,
                 QByteArray::number(size.width()) + ' ' + QByteArray::number(size.height())));
}

void BrowserProcess::SetShown(bool shown) {
    Send(Command(shown ? browser::kShow : browser::kHide));
}

bool BrowserProcess::Ended() const {
    return process_->state() == QProcess::NotRunning;
}

void BrowserProcess::Send(const QByteArray& line) {
    if (!Ended()) {
        process_->write(line + '\n');
    }
}

void BrowserProcess::ReadReports() {
    while (process_->canReadLine()) {
        const QByteArray line = process_->readLine().trimmed();
        const qsizetype space = line.indexOf(' ');
        const QByteArray report = line.left(space);
        const QByteArray value = space < 0 ? QByteArray() : line.mid(space + 1);
        if (report == browser::kWindow) {
            bool ok = false;
            const WId window = value.toULongLong(&ok);
            window_ = ok ? window : 0;
        } else if (report == browser::kShowing) {
            const QUrl address = QUrl::fromEncoded(value);
            if (address.isValid()) {
                showing_ = address;
            }
        }
    }
}

void BrowserProcess::TakeWindowOut() {
    xcb_connection_t* connection = X11Connection();
    if (window_ == 0 || connection == nullptr) {
        return;
    }
    const auto window = static_cast<xcb_window_t>(window_);
    const std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr),
        &std::free);
    if (geometry == nullptr) {
        return;
    }
    xcb_unmap_window(connection, window);
    xcb_reparent_window(connection, window, geometry->root, 0, 0);
    xcb_flush(connection);
}

} // namespace sonavia
