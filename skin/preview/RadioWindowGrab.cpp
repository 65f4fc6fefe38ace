#include "RadioWindowGrab.h"

#include "radio/CSonavia.h"
#include "radio/CStation.h"

#include <QEventLoop>
#include <QPainter>
#include <QTimer>
#include <memory>

namespace sonavia {

namespace {

constexpr int kPollMs = 10;

} // namespace

bool StandInPlayer::OpenStation(const std::string& address) {
    SetVolume(0);
    return OpenAddress(address);
}

bool StandInPlayer::OpenAddress(const std::string& address) {
    if (address.empty()) {
        return false;
    }
    packets_ = 0;
    QTimer::singleShot(0, this, [this] {
        emit Buffering(true);
        emit Buffering(false);
    });
    return true;
}

bool StandInPlayer::SetVolume(int volume) {
    if (volume < 0 || volume > 100) {
        return false;
    }
    volume_ = volume;
    return true;
}

bool StandInPlayer::SetMute(bool mute) {
    muted_ = mute;
    return true;
}

void WithRadioWindow(const std::function<void(CStation& window, StandInPlayer& player)>& look) {
    auto player = std::make_unique<StandInPlayer>();
    StandInPlayer& stand = *player;
    CSonavia base;
    // The radio window runs modally inside the base window's start-up: it is looked at from the
    // event loop it runs, once it is on the screen.
    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        CStation* window = base.OpenWindow();
        if (window == nullptr || !window->isVisible()) {
            return;
        }
        poll.stop();
        look(*window, stand);
        window->done(0);
    });
    poll.start();
    base.Create(std::move(player));
}

QImage GrabShaped(QWidget& window) {
    const QImage painted = window.grab().toImage();
    QImage shaped(painted.size(), QImage::Format_ARGB32);
    shaped.fill(Qt::transparent);
    QPainter painter(&shaped);
    if (!window.mask().isEmpty()) {
        painter.setClipRegion(window.mask());
    }
    painter.drawImage(QPoint(0, 0), painted);
    painter.end();
    return shaped;
}

void RunEventLoop(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace sonavia
