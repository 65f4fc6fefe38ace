#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>
#include <algorithm>

namespace sonavia::test {

// The interface thread's longest stall while the object lives: how late a 10 ms timer fires.
class StallMeter {
public:
    StallMeter() {
        timer_.setTimerType(Qt::PreciseTimer);
        timer_.setInterval(kTickMs);
        QObject::connect(&timer_, &QTimer::timeout,
                         [this] { longest_ = std::max(longest_, clock_.restart() - kTickMs); });
        clock_.start();
        timer_.start();
    }
    qint64 LongestMs() const { return longest_; }
    void Restart() {
        longest_ = 0;
        clock_.restart();
    }

private:
    static constexpr int kTickMs = 10;
    QTimer timer_;
    QElapsedTimer clock_;
    qint64 longest_ = 0;
};

} // namespace sonavia::test
