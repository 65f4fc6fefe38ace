#include "radio/CSonavia.h"

#include "radio/CStation.h"
#include "radio/MprisService.h"
#include "radio/RadioCore.h"
#include "radio/RadioServices.h"
#include "radio/SearchProviders.h"
#include "resources/ControlIds.h"
#include "resources/Resources.h"
#include "rules/Product.h"
#include "shell/AppValues.h"
#include "shell/CMessage.h"

#include <QApplication>
#include <QIcon>

namespace sonavia {

CSonavia::CSonavia(RadioServices& services, QWidget* parent)
    : QDialog(parent), services_(services) {
    ids::SetControlId(this, ids::kRadioTemplate);
    setWindowTitle(QString::fromLatin1(kProductTitle));
    setWindowIcon(QIcon(QString::fromLatin1(resources::kWindowIcon)));
}

CSonavia::~CSonavia() = default;

void CSonavia::Create(std::unique_ptr<PlayerEngine> player) {
    if (!services_.Start(std::move(player))) {
        return;
    }
    TrayIcon& tray = services_.Tray();
    connect(&tray, &TrayIcon::RaiseRequested, this, &CSonavia::RaiseOpenWindow);
    connect(&tray, &TrayIcon::OpenRequested, this, &CSonavia::OpenRadioWindow);
    connect(&tray, &TrayIcon::CommandChosen, this, &CSonavia::RunTrayCommand);
    connect(&services_.MediaControls(), &MprisService::RaiseRequested, this,
            &CSonavia::OpenRadioWindow);
    connect(&services_.MediaControls(), &MprisService::QuitRequested, this,
            &CSonavia::QuitFromMediaControls);
    connect(&services_.DesktopSearch(), &SearchProviders::RaiseRequested, this,
            &CSonavia::OpenRadioWindow);
    RadioCore& core = services_.Core();
    connect(&core, &RadioCore::MessageRequested, this,
            [this](const QString& text) { ShowMessage(text, services_.Palette().theme); });

    const StartupContext& context = services_.Context();
    bool written = true;
    settings_ = LoadSettings(context.startupDirectory, &written);
    core.NoteSettingsSaved(written);
    core.SetSavedVolume(settings_.volume);
    // The catalogue is usually in by now: the remembered station connects while the window is
    // built, instead of after it.
    core.TakeEndedRequests();
    hide();

    tray.StartAnimation();
    OpenRadioWindow();
}

void CSonavia::OpenRadioWindow() {
    if (openWindow_ != nullptr) {
        RaiseOpenWindow();
        return;
    }
    if (app::exitRequested || app::quitRequested) {
        return;
    }
    auto window = std::make_unique<CStation>(services_);
    openWindow_ = window.get();
    services_.Tray().SetWindowOpen(true);
    window->Create();
    // Modal to no other window: a window modal to the whole application would block the clicks
    // on the tray icon's own window (the XEmbed tray), which must raise it.
    window->setWindowModality(Qt::WindowModal);
    if (!app::exitRequested && !app::quitRequested) {
        window->exec();
    }
    openWindow_ = nullptr;
    services_.Tray().SetWindowOpen(false);
}

void CSonavia::RaiseOpenWindow() {
    if (openWindow_ == nullptr) {
        return;
    }
    openWindow_->RestoreFromTaskBar();
    openWindow_->raise();
    openWindow_->activateWindow();
    QApplication::alert(openWindow_);
}

void CSonavia::RunTrayCommand(TrayIcon::Command command) {
    switch (command) {
    case TrayIcon::Command::Open:
        OpenRadioWindow();
        break;
    case TrayIcon::Command::RandomChannel:
        services_.Core().StartupPlay(kRandomStationName, RadioCore::Requester::Tray);
        break;
    case TrayIcon::Command::StopResume:
        services_.Core().StopOrResume();
        break;
    case TrayIcon::Command::Exit:
        ExitProgram();
        break;
    case TrayIcon::Command::None:
        break;
    }
}

void CSonavia::QuitFromMediaControls() {
    if (openWindow_ != nullptr) {
        openWindow_->Exit();
    } else {
        ExitProgram();
    }
}

void CSonavia::ExitProgram() {
    services_.ExitProgram();
}

} // namespace sonavia
