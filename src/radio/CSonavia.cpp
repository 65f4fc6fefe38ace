#include "radio/CSonavia.h"

#include "player/CMediaPlayer.h"
#include "radio/CStation.h"
#include "radio/CatalogueDisplay.h"
#include "radio/MprisService.h"
#include "radio/RadioCore.h"
#include "resources/ControlIds.h"
#include "resources/Resources.h"
#include "rules/Product.h"
#include "shell/AppValues.h"
#include "shell/CMessage.h"

#include <QApplication>
#include <QIcon>

namespace sonavia {

CSonavia::CSonavia(QWidget* parent) : QDialog(parent) {
    ids::SetControlId(this, ids::kRadioTemplate);
    setWindowTitle(QString::fromLatin1(kProductTitle));
    setWindowIcon(QIcon(QString::fromLatin1(resources::kWindowIcon)));
}

CSonavia::~CSonavia() = default;

void CSonavia::Create(std::unique_ptr<PlayerEngine> player) {
    tray_ = std::make_unique<TrayIcon>();
    connect(tray_.get(), &TrayIcon::RaiseRequested, this, &CSonavia::RaiseOpenWindow);
    connect(tray_.get(), &TrayIcon::OpenRequested, this, &CSonavia::OpenRadioWindow);
    connect(tray_.get(), &TrayIcon::CommandChosen, this, &CSonavia::RunTrayCommand);

    // The catalogue is on its way while GStreamer starts: the two take about as long.
    CMediaPlayer* real = nullptr;
    if (!player) {
        auto made = std::make_unique<CMediaPlayer>();
        real = made.get();
        player = std::move(made);
    }
    player_ = std::move(player);
    core_ = std::make_unique<RadioCore>(*player_, app::startupDirectory, app::interfacePack);
    core_->Start();
    // Without GStreamer's player the program cannot play at all: it quits and shows nothing.
    // A player set up only in part plays nothing, and the program carries on.
    if (real != nullptr && real->Create() == CMediaPlayer::Setup::Unavailable) {
        core_->Shutdown();
        app::PostQuit();
        return;
    }
    connect(core_.get(), &RadioCore::MessageRequested, this, &ShowMessage);
    connect(core_.get(), &RadioCore::StateChanged, this, &CSonavia::ShowState);
    mediaControls_ = std::make_unique<MprisService>(*core_, *this);
    tray_->Show();

    settings_ = LoadSettings(app::startupDirectory);
    core_->SetSavedVolume(settings_.volume);
    // The catalogue is usually in by now: the remembered station connects while the window is
    // built, instead of after it.
    core_->TakeEndedRequests();
    hide();

    tray_->StartAnimation();
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
    auto window = std::make_unique<CStation>(*this);
    openWindow_ = window.get();
    tray_->SetWindowOpen(true);
    window->Create();
    // Modal to no other window: a window modal to the whole application would block the clicks
    // on the tray icon's own window (the XEmbed tray), which must raise it.
    window->setWindowModality(Qt::WindowModal);
    if (!app::exitRequested && !app::quitRequested) {
        window->exec();
    }
    openWindow_ = nullptr;
    tray_->SetWindowOpen(false);
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
        core_->StartupPlay(kRandomStationName);
        break;
    case TrayIcon::Command::StopResume:
        core_->StopOrResume();
        break;
    case TrayIcon::Command::Exit:
        ExitProgram();
        break;
    case TrayIcon::Command::None:
        break;
    }
}

void CSonavia::ShowState() {
    tray_->SetStatus(NowPlayingText(*core_));
}

void CSonavia::ExitProgram() {
    if (core_) {
        core_->Shutdown();
    }
    if (tray_) {
        tray_->Remove();
    }
    app::RequestExit();
}

} // namespace sonavia
