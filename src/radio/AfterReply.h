#pragma once

#include <QMetaObject>
#include <QObject>
#include <utility>

namespace sonavia {

// Runs `act` from the event loop, once the bus has its reply: opening the radio window or ending
// the program must not keep a caller on the session bus waiting.
template <typename Act> void AfterReply(QObject* context, Act act) {
    QMetaObject::invokeMethod(context, std::move(act), Qt::QueuedConnection);
}

} // namespace sonavia
