#include "RadioWindowGrab.h"

#include "radio/CSonavia.h"
#include "radio/CStation.h"
#include "radio/RadioCore.h"
#include "radio/RadioServices.h"

#include <QEventLoop>
#include <QPainter>
#include <QTimer>
#include <memory>

namespace sonavia {

namespace {

constexpr int kPollMs = 10;

} // namespace

void WithRadioWindow(const StartupContext& context,
                     const std::function<void(CStation& window, FakePlayer& player)>& look) {
    auto player = std::make_unique<FakePlayer>();
    FakePlayer& stand = *player;
    RadioServices services(context);
    CSonavia base(services);
    // The radio window runs modally inside the base window's start-up: it is looked at from the
    // event loop it runs, once it is on the screen.
    QTimer poll;
    poll.setInterval(kPollMs);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        CStation* window = base.OpenWindow();
        if (window == nullptr || !window->isVisible() || !services.Core().CatalogueReady()) {
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
    // At device pixels, as the screen shows it; the mask is in the window's own (logical) pixels.
    shaped.setDevicePixelRatio(painted.devicePixelRatio());
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
