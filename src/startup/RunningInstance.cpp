#include "startup/RunningInstance.h"

#include "radio/MprisService.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDeadlineTimer>
#include <QLoggingCategory>
#include <QThread>

namespace sonavia {

namespace {

Q_LOGGING_CATEGORY(lcStartup, "sonavia.startup", QtWarningMsg)

// A program that holds the instance lock offers its media controls once its player exists: a
// second or two after its start on a loaded machine.
constexpr int kServiceWaitMs = 5000;
constexpr int kServicePollMs = 100;
// Raise answers at once: the window opens after the reply.
constexpr int kRaiseReplyMs = 5000;

} // namespace

bool RaiseRunningInstance() {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected() || bus.interface() == nullptr) {
        qCWarning(lcStartup) << "no session bus to reach the running program:"
                             << bus.lastError().message();
        return false;
    }
    const QString service = QString::fromLatin1(MprisService::kServiceName);
    const QDeadlineTimer deadline(kServiceWaitMs);
    while (!bus.interface()->isServiceRegistered(service)) {
        if (deadline.hasExpired()) {
            qCWarning(lcStartup) << "the running program offers no media controls on" << service;
            return false;
        }
        QThread::msleep(kServicePollMs);
    }
    const QDBusMessage reply =
        bus.call(QDBusMessage::createMethodCall(
                     service, QString::fromLatin1(MprisService::kObjectPath),
                     QString::fromLatin1(MprisService::kRootInterface), QStringLiteral("Raise")),
                 QDBus::Block, kRaiseReplyMs);
    if (reply.type() != QDBusMessage::ReplyMessage) {
        qCWarning(lcStartup) << "the running program did not take Raise:" << reply.errorName()
                             << reply.errorMessage();
        return false;
    }
    return true;
}

} // namespace sonavia
