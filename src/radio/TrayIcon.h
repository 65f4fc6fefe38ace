#pragma once

#include "resources/Resources.h"

#include <QIcon>
#include <QObject>
#include <QSystemTrayIcon>
#include <QTimer>
#include <array>
#include <memory>
#include <vector>

class QAction;
class QMenu;

namespace sonavia {

// The program's icon in the tray: five frames shown in turn, the tip "Sonavia Plus" with what
// plays, and the clicks of the tray.
//
// In an XEmbed tray the menu is shown by the icon's own click handling, never handed to the tray
// as its context menu, so that any click can raise an open radio window instead. Where the
// desktop shows the icon through a StatusNotifierWatcher (KDE, GNOME's AppIndicator extension,
// most Wayland panels), its host sends no double-click and shows the item's exported menu
// itself: there a click (Activate) opens or raises the window, and the menu is exported.
class TrayIcon : public QObject {
    Q_OBJECT
public:
    static constexpr int kAnimationTimerId = 10002;
    static constexpr int kAnimationIntervalMs = 1500;

    // The menu's commands, by the identifiers the program uses for them: each menu action
    // carries its command's identifier.
    enum class Command { None = 0, Open = 157, Exit = 158, RandomChannel = 164, StopResume = 165 };

    explicit TrayIcon(QObject* parent = nullptr);
    ~TrayIcon() override;

    void Show();
    // Removes the icon from the tray for good.
    void Remove();
    void StartAnimation();
    int FrameIndex() const { return frameIndex_; }
    QSystemTrayIcon& Icon() { return icon_; }

    // The tip: the program's name, and below it `status` when there is one.
    void SetStatus(const QString& status);

    // Whether a radio window is open decides what a click does.
    void SetWindowOpen(bool open) { windowOpen_ = open; }

    // The sleep timer's choice that the menu marks, in minutes (0: Off).
    void ShowSleep(int minutes);
    // "Record": whether it can be chosen, and its check mark.
    void ShowRecording(bool enabled, bool checked);

    // The menu at the cursor; the chosen command, or None (also for the sleep timer's choices
    // and "Record", which arrive as SleepChosen and RecordChosen).
    Command ShowMenu();
    // Whether the icon goes through a StatusNotifierWatcher rather than an XEmbed tray.
    bool UsesStatusNotifier() const { return statusNotifier_; }

signals:
    // A click while a radio window is open: bring it to the front.
    void RaiseRequested();
    // A double-click with no radio window open.
    void OpenRequested();
    void CommandChosen(Command command);
    // A choice of the "Sleep" menu, in minutes (0: Off).
    void SleepChosen(int minutes);
    // "Record" checked (true) or unchecked.
    void RecordChosen(bool on);

private:
    void OnActivated(QSystemTrayIcon::ActivationReason reason);
    void ShowNextFrame();
    void AddSleepAndRecord();

    QSystemTrayIcon icon_;
    std::array<QIcon, resources::kTrayIconFrameCount> frames_;
    int frameIndex_ = 0;
    QTimer animation_;
    // A single click waits for the double-click interval, so that a double-click opens the
    // window instead of leaving a menu behind.
    QTimer pendingClick_;
    std::unique_ptr<QMenu> menu_;
    // The sleep timer's choices, each with its minutes; owned by the menu.
    std::vector<QAction*> sleepChoices_;
    QAction* record_ = nullptr;
    bool windowOpen_ = false;
    bool statusNotifier_ = false;
};

} // namespace sonavia
