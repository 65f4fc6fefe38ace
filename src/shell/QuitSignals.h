#pragma once

#include <QObject>

class QSocketNotifier;

namespace sonavia {

// Turns SIGTERM, SIGINT and SIGHUP into the program's quit request, handled on the interface
// thread, so that a session ending or a terminal closing still cleans up.
class QuitSignals : public QObject {
    Q_OBJECT
public:
    explicit QuitSignals(QObject* parent = nullptr);
    ~QuitSignals() override;

private:
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace sonavia
