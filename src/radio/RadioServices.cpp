#include "radio/RadioServices.h"

#include "catalogue/Config.h"
#include "player/CMediaPlayer.h"
#include "player/StreamRecorder.h"
#include "radio/CatalogueDisplay.h"
#include "radio/MprisService.h"
#include "radio/RadioCore.h"
#include "radio/RadioRecording.h"
#include "radio/SearchProviders.h"
#include "radio/SleepTimer.h"
#include "radio/TrayIcon.h"
#include "shell/AppValues.h"

#include <QStringList>

namespace sonavia {

RadioServices::RadioServices(StartupContext context, QObject* parent)
    : QObject(parent), context_(std::move(context)) {}

// Members go in reverse: the tray, the search and the media controls before the core, the core
// before the player it drives.
RadioServices::~RadioServices() = default;

bool RadioServices::Start(std::unique_ptr<PlayerEngine> player) {
    tray_ = std::make_unique<TrayIcon>();

    // The catalogue is on its way while GStreamer starts: the two take about as long.
    CMediaPlayer* real = nullptr;
    if (!player) {
        auto made = std::make_unique<CMediaPlayer>();
        real = made.get();
        player = std::move(made);
    }
    player_ = std::move(player);
    core_ = std::make_unique<RadioCore>(*player_, ServerBasesFor(context_.dataDirectory),
                                        context_.startupDirectory, context_.interfacePack);
    core_->Start();
    // A player set up only in part plays nothing, and the program carries on.
    if (real != nullptr && real->Create() == CMediaPlayer::Setup::Unavailable) {
        core_->Shutdown();
        app::PostQuit();
        return false;
    }
    connect(core_.get(), &RadioCore::StateChanged, this, &RadioServices::ShowState);
    mediaControls_ = std::make_unique<MprisService>(*core_);
    StartTrayTools(real);
    desktopSearch_ = std::make_unique<SearchProviders>(*core_);
    tray_->Show();
    return true;
}

void RadioServices::ShowState() {
    QStringList lines{NowPlayingText(*core_)};
    if (const auto left = sleep_->MinutesLeft()) {
        lines << QStringLiteral("Sleep in %1 min").arg(*left);
    }
    lines << recording_->StatusText();
    lines.removeAll(QString());
    tray_->SetStatus(lines.join(QLatin1Char('\n')));
    tray_->ShowSleep(sleep_->Minutes());
    tray_->ShowRecording(recording_->Available(), recording_->Recording());
}

void RadioServices::StartTrayTools(CMediaPlayer* real) {
    if (real != nullptr && real->IsReady()) {
        recorder_ = std::make_unique<StreamRecorder>(real->Playbin());
    }
    sleep_ = std::make_unique<SleepTimer>(*core_);
    recording_ = std::make_unique<RadioRecording>(*core_, recorder_.get());
    connect(tray_.get(), &TrayIcon::SleepChosen, sleep_.get(), &SleepTimer::Set);
    connect(tray_.get(), &TrayIcon::RecordChosen, recording_.get(), &RadioRecording::SetRecording);
    connect(sleep_.get(), &SleepTimer::Changed, this, &RadioServices::ShowState);
    connect(recording_.get(), &RadioRecording::Changed, this, &RadioServices::ShowState);
}

void RadioServices::ExitProgram() {
    if (core_) {
        core_->Shutdown();
    }
    if (tray_) {
        tray_->Remove();
    }
    app::RequestExit();
}

} // namespace sonavia
