#include "radio/TrayIcon.h"

#include "radio/SleepTimer.h"
#include "rules/Product.h"

#include <QActionGroup>
#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QMenu>
#include <QStyleHints>

namespace sonavia {

namespace {

struct MenuItem {
    TrayIcon::Command command;
    const char* text;
};

constexpr std::array<MenuItem, 4> kMenuItems{{
    {TrayIcon::Command::Open, "Open"},
    {TrayIcon::Command::RandomChannel, "Random Channel"},
    {TrayIcon::Command::StopResume, "Stop/Resume"},
    {TrayIcon::Command::Exit, "Exit"},
}};

constexpr char kCommandProperty[] = "trayCommand";
constexpr char kSleepMinutesProperty[] = "sleepMinutes";
constexpr char kSleepMenuText[] = "Sleep";
constexpr char kSleepOffText[] = "Off";
constexpr char kRecordText[] = "Record";
constexpr char kStatusNotifierWatcher[] = "org.kde.StatusNotifierWatcher";
constexpr char kX11Platform[] = "xcb";

// Qt sends the icon over StatusNotifierItem when a watcher is on the session bus at the time the
// icon is made, and always away from X11; otherwise it docks in an XEmbed tray.
bool StatusNotifierInUse() {
    if (QGuiApplication::platformName() != QLatin1String(kX11Platform)) {
        return true;
    }
    const QDBusConnection bus = QDBusConnection::sessionBus();
    return bus.isConnected() && bus.interface() != nullptr &&
           bus.interface()->isServiceRegistered(QString::fromLatin1(kStatusNotifierWatcher));
}

} // namespace

TrayIcon::TrayIcon(QObject* parent)
    : QObject(parent), menu_(std::make_unique<QMenu>()), statusNotifier_(StatusNotifierInUse()) {
    for (const MenuItem& item : kMenuItems) {
        if (item.command == Command::Exit) {
            AddSleepAndRecord();
        }
        QAction* action = menu_->addAction(QString::fromLatin1(item.text));
        action->setProperty(kCommandProperty, static_cast<int>(item.command));
        if (statusNotifier_) {
            // The host's menu runs in its own process: the choice arrives as the action's.
            connect(
                action, &QAction::triggered, this,
                [this, command = item.command] { emit CommandChosen(command); },
                Qt::QueuedConnection);
        }
    }
    if (statusNotifier_) {
        icon_.setContextMenu(menu_.get());
    }
    for (std::size_t i = 0; i < frames_.size(); ++i) {
        frames_[i] = QIcon(QString::fromLatin1(resources::kTrayIconFrames[i]));
    }
    icon_.setIcon(frames_[0]);
    icon_.setToolTip(QString::fromLatin1(kProductTitle));
    // Handled from the event loop, not inside the tray window's own mouse handling: a click can
    // run the radio window and end the program, which removes the icon and with it that window.
    connect(&icon_, &QSystemTrayIcon::activated, this, &TrayIcon::OnActivated,
            Qt::QueuedConnection);

    animation_.setObjectName(QString::number(kAnimationTimerId));
    animation_.setInterval(kAnimationIntervalMs);
    connect(&animation_, &QTimer::timeout, this, &TrayIcon::ShowNextFrame);

    pendingClick_.setSingleShot(true);
    connect(&pendingClick_, &QTimer::timeout, this, [this] {
        if (!windowOpen_) {
            emit CommandChosen(ShowMenu());
        }
    });
}

TrayIcon::~TrayIcon() {
    Remove();
}

void TrayIcon::AddSleepAndRecord() {
    QMenu* sleep = menu_->addMenu(QString::fromLatin1(kSleepMenuText));
    auto* group = new QActionGroup(sleep);
    const auto add = [&](int minutes, const QString& text) {
        QAction* action = sleep->addAction(text);
        action->setCheckable(true);
        action->setChecked(minutes == 0);
        action->setProperty(kSleepMinutesProperty, minutes);
        group->addAction(action);
        sleepChoices_.push_back(action);
        // From the event loop: under an XEmbed tray the menu's own loop is still running.
        connect(
            action, &QAction::triggered, this, [this, minutes] { emit SleepChosen(minutes); },
            Qt::QueuedConnection);
    };
    add(0, QString::fromLatin1(kSleepOffText));
    for (const int minutes : SleepTimer::kChoices) {
        add(minutes, QStringLiteral("%1 min").arg(minutes));
    }

    record_ = menu_->addAction(QString::fromLatin1(kRecordText));
    record_->setCheckable(true);
    record_->setEnabled(false);
    connect(
        record_, &QAction::triggered, this, [this](bool on) { emit RecordChosen(on); },
        Qt::QueuedConnection);
}

void TrayIcon::ShowRecording(bool enabled, bool checked) {
    record_->setEnabled(enabled || checked);
    record_->setChecked(checked);
}

void TrayIcon::ShowSleep(int minutes) {
    for (QAction* choice : sleepChoices_) {
        if (choice->property(kSleepMinutesProperty).toInt() == minutes) {
            choice->setChecked(true);
        }
    }
}

void TrayIcon::SetStatus(const QString& status) {
    const QString title = QString::fromLatin1(kProductTitle);
    icon_.setToolTip(status.isEmpty() ? title : title + QLatin1Char('\n') + status);
}

void TrayIcon::Show() {
    icon_.show();
}

void TrayIcon::Remove() {
    animation_.stop();
    pendingClick_.stop();
    icon_.hide();
}

void TrayIcon::StartAnimation() {
    animation_.start();
}

void TrayIcon::ShowNextFrame() {
    icon_.setIcon(frames_[static_cast<std::size_t>(frameIndex_)]);
    frameIndex_ = (frameIndex_ + 1) % resources::kTrayIconFrameCount;
}

TrayIcon::Command TrayIcon::ShowMenu() {
    if (statusNotifier_) {
        menu_->popup(QCursor::pos());
        return Command::None;
    }
    const QAction* chosen = menu_->exec(QCursor::pos());
    return chosen != nullptr ? static_cast<Command>(chosen->property(kCommandProperty).toInt())
                             : Command::None;
}

void TrayIcon::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    const bool leftOrRight = reason == QSystemTrayIcon::Trigger ||
                             reason == QSystemTrayIcon::Context ||
                             reason == QSystemTrayIcon::DoubleClick;
    if (!leftOrRight) {
        return;
    }
    if (windowOpen_) {
        pendingClick_.stop();
        emit RaiseRequested();
        return;
    }
    // A status notifier host's click: no double-click follows it.
    if (statusNotifier_ && reason == QSystemTrayIcon::Trigger) {
        emit OpenRequested();
        return;
    }
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
        pendingClick_.stop();
        emit OpenRequested();
        break;
    case QSystemTrayIcon::Trigger:
        pendingClick_.start(QApplication::styleHints()->mouseDoubleClickInterval());
        break;
    default:
        pendingClick_.stop();
        emit CommandChosen(ShowMenu());
        break;
    }
}

} // namespace sonavia
