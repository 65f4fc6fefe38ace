#pragma once

#include "browser/PageView.h"

#include <QMetaObject>
#include <QString>
#include <chrono>
#include <memory>
#include <qwindowdefs.h>

class QProcess;

namespace sonavia {

// The browser program of one control (BrowserProtocol.h), with its window inside the control's.
class BrowserProcess final : public PageView {
public:
    // The time a browser let go has to end, with the engine's processes, before it is killed.
    static constexpr std::chrono::milliseconds kEndTime{5000};

    // Starts `program` with its window inside `control`, which is `size` large, hidden, and
    // loading `address` when that is valid. Returns at once.
    BrowserProcess(const QString& program, WId control, const QSize& size, const QUrl& address);
    // Lets the browser go: its window is taken out of the control's first, so that the control's
    // window does not take it along while the browser ends.
    ~BrowserProcess() override;

    void Load(const QUrl& address) override;
    QUrl Showing() const override;
    void Resize(const QSize& size) override;
    void SetShown(bool shown) override;
    bool Ended() const override;
    QWidget* Widget() const override { return nullptr; }

private:
    void Send(const QByteArray& line);
    void ReadReports();
    void TakeWindowOut();

    std::unique_ptr<QProcess> process_;
    QMetaObject::Connection reports_;
    QUrl showing_;
    // The browser's window, once it has told.
    WId window_ = 0;
};

} // namespace sonavia
