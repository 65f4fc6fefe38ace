#include "radio/RadioCore.h"

#include "catalogue/CatalogueLoad.h"
#include "catalogue/Fetch.h"
#include "catalogue/VersionCheck.h"
#include "localfiles/LocalFiles.h"
#include "player/PlayerEngine.h"
#include "radio/RadioLog.h"
#include "rules/RandomRules.h"

#include <QCoreApplication>
#include <QEvent>
#include <algorithm>
#include <future>

namespace sonavia {

namespace {

// The position that start-up play takes for a name: its station, else the catalogue's first;
// none for an empty name and for "random", whose pick needs the package's flags.
std::optional<std::size_t> NamedStartupPosition(const RadioCatalogue& catalogue,
                                                const std::string& name) {
    if (name.empty() || name == kRandomStationName) {
        return std::nullopt;
    }
    if (const auto position = FindStation(catalogue, name)) {
        return position;
    }
    // A remembered station that left the catalogue: its first station plays.
    return catalogue.filled > 0 ? std::optional<std::size_t>(0) : std::nullopt;
}

// A stream's title comes from its server as it likes: the tooltip, the station list and the media
// controls show it as one line of readable length.
constexpr qsizetype kLongestStreamTitle = 160;
// Ends a title that was cut.
constexpr char16_t kEllipsis = u'\u2026';
// Followed by the start-up folder.
constexpr char kSettingsNotSavedText[] = "Settings cannot be saved in ";

QString TitleLine(const QString& title) {
    QString line;
    line.reserve(title.size());
    // By code point, so that format characters beyond the first plane (tags) go too.
    for (const char32_t c : title.toUcs4()) {
        const auto category = QChar::category(c);
        if (category == QChar::Other_Control) {
            line += QLatin1Char(' ');
        } else if (category != QChar::Other_Format) {
            // Format characters (direction overrides, isolates, zero-width ones) are dropped:
            // they make a title show other than it reads.
            line += QChar::fromUcs4(c);
        }
    }
    line = line.simplified();
    if (line.size() > kLongestStreamTitle) {
        qsizetype cut = kLongestStreamTitle - 1;
        if (line.at(cut - 1).isHighSurrogate()) {
            --cut;
        }
        line = line.left(cut).trimmed() + QChar(kEllipsis);
    }
    return line;
}

} // namespace

struct RadioCore::LoadedCatalogue {
    RadioCatalogue catalogue;
    // Whether the catalogue came from the server rather than the archive's copy.
    bool fromServer = false;
    ChannelPackage package;
    // The station that channel.dat names, and its address, asked for beside the flags.
    std::string remembered;
    std::optional<Prefetched> address;
};

namespace {

// A station's name as the log shows it: the catalogue's bytes, quoted.
QString Named(const std::string& name) {
    return QLatin1Char('"') + QString::fromLatin1(name) + QLatin1Char('"');
}

int CountryCount(const RadioCatalogue& catalogue) {
    std::set<std::string> countries;
    for (const StationRecord& record : catalogue.records) {
        countries.insert(record.country);
    }
    return static_cast<int>(countries.size());
}

} // namespace

const char* RadioCore::ChosenBy(Origin origin, Requester by) {
    switch (origin) {
    case Origin::Tree:
        return "the station tree";
    case Origin::Window:
        return "Random Channel";
    case Origin::Startup:
        break;
    }
    switch (by) {
    case Requester::Tray:
        return "the tray";
    case Requester::MediaControls:
        return "the media controls";
    case Requester::SleepTimer:
        return "the sleep timer";
    case Requester::Startup:
        break;
    }
    return "start-up";
}

RadioCore::RadioCore(PlayerEngine& player, ServerBases bases,
                     std::filesystem::path startupDirectory, InterfacePackDirectory archive,
                     QObject* parent)
    : QObject(parent), player_(player), bases_(std::move(bases)),
      startupDirectory_(std::move(startupDirectory)), archive_(std::move(archive)) {
    connect(&player_, &PlayerEngine::Buffering, this, &RadioCore::OnBuffering);
    connect(&player_, &PlayerEngine::OpenFailed, this, &RadioCore::OnOpenFailed);
    connect(&player_, &PlayerEngine::Dropped, this, &RadioCore::OnDropped);
    connect(&player_, &PlayerEngine::TitleChanged, this, &RadioCore::OnTitleChanged);
    fadeTimer_.setInterval(kFadeStepInterval);
    connect(&fadeTimer_, &QTimer::timeout, this, [this] {
        if (fadeOut_.active) {
            TickFadeOut();
        } else if (const auto slider = TickFade()) {
            emit FadeStepped(*slider);
        }
    });
}

RadioCore::~RadioCore() {
    shutDown_ = true;
    requests_.StopAll();
}

void RadioCore::SetSavedVolume(int volume) {
    fade_.target = std::clamp(volume, 0, kMaxVolume);
}

void RadioCore::Start() {
    package_ = ChoosePackage(bases_);
    requests_.Run<LoadedCatalogue>(
        this,
        [bases = bases_, archive = archive_, package = package_,
         directory = startupDirectory_](std::stop_token stop) mutable {
            auto [catalogue, fromServer] = LoadRadioCatalogue(bases, archive, stop);
            LoadedCatalogue loaded{std::move(catalogue), fromServer, std::move(package), {}, {}};
            loaded.remembered = LoadChannelChoice(directory, loaded.package.currentPackage);
            // The remembered station's address needs no flags: it is asked for beside them,
            // so that the station can play sooner.
            const auto position = NamedStartupPosition(loaded.catalogue, loaded.remembered);
            std::future<std::string> address;
            if (position) {
                address =
                    std::async(std::launch::async,
                               [&stop, base = WithoutFinalSeparator(loaded.package.packageBase),
                                n = loaded.catalogue.records[*position].index + 1] {
                                   return FetchItemText(ItemKind::RadioStation, base, n, stop);
                               });
            }
            ApplyRadioPackageFlags(loaded.package, loaded.catalogue, stop);
            if (position) {
                loaded.address = Prefetched{*position, address.get()};
            }
            return loaded;
        },
        [this](LoadedCatalogue loaded) { CatalogueLoaded(std::move(loaded)); });
}

void RadioCore::TakeEndedRequests() {
    QCoreApplication::sendPostedEvents(&requests_, QEvent::MetaCall);
    // The address asked for beside the flags comes through the core itself.
    QCoreApplication::sendPostedEvents(this, QEvent::MetaCall);
}

void RadioCore::CatalogueLoaded(LoadedCatalogue loaded) {
    radioCatalogue_ = std::move(loaded.catalogue);
    package_ = std::move(loaded.package);
    catalogueReady_ = true;
    prefetched_ = std::move(loaded.address);
    const auto offered =
        std::count_if(radioCatalogue_.records.begin(), radioCatalogue_.records.end(),
                      [](const StationRecord& record) { return record.present; });
    if (radioCatalogue_.records.empty()) {
        qCWarning(lcRadio) << "catalogue applied: no stations, neither from the server nor from "
                              "the archive";
    } else {
        qCInfo(lcRadio).noquote() << "catalogue applied from the"
                                  << (loaded.fromServer ? "server:" : "archive:")
                                  << CountryCount(radioCatalogue_) << "countries,"
                                  << radioCatalogue_.records.size() << "stations," << offered
                                  << "offered";
    }

    const std::string& remembered = loaded.remembered;
    if (remembered == kRandomStationName) {
        randomPickDone_ = true;
    }
    StartupPlay(remembered);
    prefetched_.reset();
    emit CatalogueChanged();
    // An act of the user's while the catalogue was on its way comes after the start-up play,
    // and so wins.
    if (auto act = std::exchange(waitingAct_, nullptr)) {
        act();
    }
}

bool RadioCore::WaitForCatalogue(std::function<void()> act) {
    if (catalogueReady_ || shutDown_) {
        return false;
    }
    waitingAct_ = std::move(act);
    return true;
}

std::optional<std::size_t> RadioCore::CurrentPosition() const {
    return FindStation(radioCatalogue_, currentStationName_);
}

void RadioCore::ChooseStation(const std::string& name) {
    if (WaitForCatalogue([this, name] { ChooseStation(name); })) {
        return;
    }
    currentStationName_ = name;
    ++playRequest_;
    if (name.empty()) {
        return;
    }
    const auto position = FindStation(radioCatalogue_, name);
    if (!position) {
        // A name that no record has plays nothing and tells nothing; the choice is kept.
        SaveChannelChoice(name);
        emit StateChanged();
        return;
    }
    Play(Origin::Tree, *position);
}

void RadioCore::ChooseFoundStation(const std::string& name) {
    ChooseStation(name);
    emit StationShown();
}

void RadioCore::WindowRandomPlay() {
    streamPlaying_ = false;
    if (WaitForCatalogue([this] { WindowRandomPlay(); })) {
        return;
    }
    const auto position = PickWindowStation(radioCatalogue_, ReadLocalClock(), CurrentPosition());
    if (position) {
        Play(Origin::Window, *position);
    }
}

void RadioCore::StartupPlay(const std::string& name, Requester by) {
    if (name.empty() || WaitForCatalogue([this, name, by] { StartupPlay(name, by); })) {
        return;
    }
    const std::optional<std::size_t> position =
        name == kRandomStationName
            ? PickStartupStation(radioCatalogue_, ReadLocalClock(), CurrentPosition())
            : NamedStartupPosition(radioCatalogue_, name);
    if (position) {
        Play(Origin::Startup, *position, by);
    }
}

void RadioCore::StopOrResume(Requester by) {
    if (!playing_) {
        StartupPlay(currentStationName_, by);
        return;
    }
    ++playRequest_;
    if (player_.Stop()) {
        qCInfo(lcRadio).noquote() << "stopped" << Named(currentStationName_) << "by"
                                  << ChosenBy(Origin::Startup, by);
        playing_ = false;
        streamPlaying_ = false;
        streamTitle_.clear();
        EndFadeOut();
        SetState(PlayState::Stopped);
    }
}

void RadioCore::PlayOrResume() {
    // Whether a station was remembered is known once the catalogue is in.
    if (WaitForCatalogue([this] { PlayOrResume(); }) || playing_ ||
        state_ == PlayState::Connecting) {
        return;
    }
    StartupPlay(currentStationName_.empty() ? std::string(kRandomStationName) : currentStationName_,
                Requester::MediaControls);
}

void RadioCore::PlayPrevious() {
    if (const std::string previous = PreviousStation(); !previous.empty()) {
        StartupPlay(previous, Requester::MediaControls);
    }
}

std::string RadioCore::PreviousStation() const {
    for (const std::string& name : heard_) {
        if (!name.empty() && name != currentStationName_) {
            return name;
        }
    }
    return {};
}

void RadioCore::Play(Origin origin, std::size_t position, Requester by) {
    const StationRecord& record = radioCatalogue_.records[position];
    const Choice choice{origin, by, record.name, record.index};
    qCInfo(lcRadio).noquote() << "chosen" << Named(record.name) << "by" << ChosenBy(origin, by);
    const std::uint64_t request = ++playRequest_;
    EndFadeOut();
    // What connects is named at once, by every way of playing: the window, the tray and the
    // media controls never show the station before it while the address is on its way.
    currentStationName_ = record.name;
    unreachable_.erase(record.name);
    state_ = PlayState::Connecting;
    emit StateChanged();
    if (prefetched_ && prefetched_->position == position) {
        // Asked for at start-up already; the answer still comes from the event loop.
        QMetaObject::invokeMethod(
            this,
            [this, choice, request, address = std::move(prefetched_->address)] {
                AddressFetched(choice, address, request);
            },
            Qt::QueuedConnection);
        prefetched_.reset();
        return;
    }
    requests_.Run<std::string>(
        this,
        [base = package_.packageBase, n = record.index + 1](std::stop_token stop) {
            return FetchItemText(ItemKind::RadioStation, base, n, std::move(stop));
        },
        [this, choice, request](std::string address) { AddressFetched(choice, address, request); });
}

bool RadioCore::TellUser(std::uint64_t request) {
    emit MessageRequested(QString::fromLatin1(kChannelInformationFailedText));
    // The dialog runs its own loop: the user may have chosen again meanwhile, or ended.
    return request == playRequest_ && !shutDown_;
}

void RadioCore::AddressFetched(const Choice& choice, const std::string& address,
                               std::uint64_t request) {
    if (request != playRequest_ || shutDown_) {
        qCInfo(lcRadio).noquote() << "address of" << Named(choice.name)
                                  << "dropped: a later request won";
        return;
    }
    if (address.empty()) {
        qCWarning(lcRadio).noquote() << "no address for" << Named(choice.name)
                                     << "- shown:" << kChannelInformationFailedText;
        if (!TellUser(request)) {
            return;
        }
    } else {
        qCInfo(lcRadio).noquote() << "address of" << Named(choice.name) << "is"
                                  << QString::fromLatin1(address);
    }
    switch (choice.origin) {
    case Origin::Tree:
        SaveChannelChoice(choice.name);
        if (OpenInPlayer(address)) {
            NoteSettingsSaved(SaveLastStation(startupDirectory_, choice.name));
        }
        break;
    case Origin::Window:
        SaveChannelChoice(choice.name);
        OpenInPlayer(address);
        emit StationShown();
        break;
    case Origin::Startup:
        // Nothing is heard before the stream plays. At the program's start the interface thread
        // is busy building the window as the stream begins: its first audio goes out at the
        // fade's first heard step, not silent until that thread hears that it plays.
        if (!address.empty()) {
            SetVolumeOfPlayer(choice.by == Requester::Startup ? kFirstHeardVolume : 0);
        }
        raiseVolumeWhenPlaying_ = OpenInPlayer(address);
        emit StationShown();
        break;
    }
    emit StateChanged();
}

bool RadioCore::OpenInPlayer(const std::string& address) {
    // A catalogue server names no file of this machine: only a local catalogue may.
    const bool refused =
        NamesLocalFile(address) && !NamesLocalFile(package_.packageBase) && !address.empty();
    // An address that cannot be had, or that is refused, leaves nothing playing: what is heard
    // is what the lists mark.
    if (address.empty()) {
        StationFailed("no address");
        return false;
    }
    if (refused) {
        StationFailed("a catalogue server named a local file");
        return false;
    }
    if (!player_.OpenAddress(address)) {
        StationFailed("the player refused the address");
        return false;
    }
    qCInfo(lcRadio).noquote() << "opened" << Named(currentStationName_);
    playing_ = true;
    streamPlaying_ = false;
    streamTitle_.clear();
    SetState(PlayState::Connecting);
    return true;
}

void RadioCore::StationFailed(const char* why) {
    qCWarning(lcRadio).noquote() << "failed" << Named(currentStationName_) << "-" << why;
    if (playing_) {
        player_.Stop();
    }
    playing_ = false;
    streamPlaying_ = false;
    streamTitle_.clear();
    unreachable_.insert(currentStationName_);
    SetState(PlayState::Failed);
}

void RadioCore::SetState(PlayState state) {
    if (state == PlayState::Playing && heard_[0] != currentStationName_) {
        heard_[1] = std::exchange(heard_[0], currentStationName_);
    }
    if (state != state_) {
        state_ = state;
        emit StateChanged();
    }
}

void RadioCore::NoteSettingsSaved(bool saved) {
    if (saved || unsavedSettingsTold_) {
        return;
    }
    unsavedSettingsTold_ = true;
    const QString text = QString::fromLatin1(kSettingsNotSavedText) +
                         QString::fromStdString(startupDirectory_.string());
    qCWarning(lcRadio).noquote() << "settings are not saved; shown:" << text;
    QMetaObject::invokeMethod(
        this,
        [this, text] {
            if (!shutDown_) {
                emit MessageRequested(text);
            }
        },
        Qt::QueuedConnection);
}

void RadioCore::SaveChannelChoice(const std::string& name) {
    NoteSettingsSaved(sonavia::SaveChannelChoice(startupDirectory_, package_.packageBase, name));
}

void RadioCore::SetVolumeOfPlayer(int volume) {
    if (player_.SetVolume(volume)) {
        currentVolume_ = volume;
    }
}

void RadioCore::RunFade() {
    if ((fade_.active && bufferingFinished_) || fadeOut_.active) {
        fadeTimer_.start();
    } else {
        fadeTimer_.stop();
    }
}

void RadioCore::SetVolume(int volume) {
    volume = std::clamp(volume, 0, kMaxVolume);
    fade_.active = false;
    EndFadeOut();
    fadeTimer_.stop();
    fade_.target = volume;
    raiseVolumeWhenPlaying_ = false;
    SetVolumeOfPlayer(volume);
    emit VolumeChanged(volume);
    // The mark and the sound agree: moving the volume ends the mute.
    if (muted_ && player_.SetMute(false)) {
        muted_ = false;
        emit MuteChanged(false);
    }
}

void RadioCore::ToggleMute() {
    if (player_.SetMute(!muted_)) {
        muted_ = !muted_;
    }
    emit MuteChanged(muted_);
}

void RadioCore::WindowOpened(int settingsVolume) {
    StartFade(fade_, settingsVolume);
    if (windowOpenedBefore_ || fadeOut_.active) {
        fade_.active = false;
        raiseVolumeWhenPlaying_ = false;
        // A fade-out goes on: the user's volume comes back once it has ended.
        if (!fadeOut_.active) {
            SetVolumeOfPlayer(fade_.target);
        }
    }
    windowOpenedBefore_ = true;
    RunFade();
}

void RadioCore::WindowClosed(bool randomEveryStart) {
    if (fade_.active) {
        fade_.active = false;
        fadeTimer_.stop();
        SetVolumeOfPlayer(fade_.target);
        emit VolumeChanged(fade_.target);
    }
    if (randomEveryStart) {
        SaveChannelChoice(kRandomStationName);
    }
}

std::optional<int> RadioCore::TickFade() {
    const FadeTick tick = StepFade(fade_, bufferingFinished_);
    if (tick.volume) {
        SetVolumeOfPlayer(*tick.volume);
    }
    if (tick.ended) {
        fadeTimer_.stop();
    }
    return tick.slider;
}

bool RadioCore::FadeOutAndStop(std::chrono::milliseconds length) {
    if (!playing_) {
        return false;
    }
    // A fade-in under way gives way; its target stays the user's volume.
    fade_.active = false;
    raiseVolumeWhenPlaying_ = false;
    StartFadeOut(fadeOut_, currentVolume_, length);
    qCInfo(lcRadio).noquote() << "fading out" << Named(currentStationName_) << "over"
                              << length.count() << "ms for the sleep timer";
    RunFade();
    return true;
}

void RadioCore::TickFadeOut() {
    SetVolumeOfPlayer(StepFadeOut(fadeOut_));
    if (!FadeOutDone(fadeOut_)) {
        return;
    }
    // Only a stop: the tray's Stop/Resume would start a station that no longer plays.
    if (playing_) {
        StopOrResume(Requester::SleepTimer);
    }
    EndFadeOut();
}

void RadioCore::EndFadeOut() {
    if (!std::exchange(fadeOut_.active, false)) {
        return;
    }
    RunFade();
    SetVolumeOfPlayer(fade_.target);
    emit FadeOutEnded();
}

std::uint64_t RadioCore::ReceivedPackets() const {
    return state_ == PlayState::Stopped || state_ == PlayState::Failed ? 0
                                                                       : player_.ReceivedPackets();
}

std::string RadioCore::InfoTipFor(const std::string& name) const {
    return sonavia::InfoTipFor(radioCatalogue_, name);
}

void RadioCore::OnBuffering(bool started) {
    if (!playing_) {
        return;
    }
    if (started && state_ == PlayState::Playing) {
        qCInfo(lcRadio).noquote() << "reconnect: buffering" << Named(currentStationName_);
    } else if (!started && state_ != PlayState::Playing) {
        qCInfo(lcRadio).noquote() << "playing" << Named(currentStationName_);
    }
    streamPlaying_ = !started;
    if (!started) {
        // The fade-in starts as the first stream plays, with its first step that is heard,
        // rather than at the window's next tick.
        bool stepNow = !std::exchange(bufferingFinished_, true) && fade_.active;
        // A start-up play comes up from silence as a first opening does, window or none.
        if (std::exchange(raiseVolumeWhenPlaying_, false) && !fade_.active) {
            fade_.level = 0;
            fade_.active = true;
            stepNow = true;
        }
        if (stepNow) {
            fade_.level = std::max(fade_.level, kFirstHeardVolume);
            if (const auto slider = TickFade()) {
                emit FadeStepped(*slider);
            }
        }
        RunFade();
    }
    SetState(started ? PlayState::Connecting : PlayState::Playing);
}

void RadioCore::OnOpenFailed() {
    if (playing_) {
        StationFailed("the player could not play the stream");
    }
}

void RadioCore::OnDropped() {
    if (playing_) {
        qCWarning(lcRadio).noquote()
            << "dropped" << Named(currentStationName_) << "- the player reconnects";
        streamPlaying_ = false;
        SetState(PlayState::Connecting);
    }
}

void RadioCore::OnTitleChanged(const QString& title) {
    const QString line = TitleLine(title);
    if (playing_ && line != streamTitle_) {
        streamTitle_ = line;
        emit StateChanged();
    }
}

void RadioCore::LoadShopping(QObject* receiver, std::function<void(ShoppingData)> done) {
    requests_.Run<ShoppingData>(
        receiver,
        [bases = bases_, archive = archive_](std::stop_token stop) {
            return sonavia::LoadShopping(bases, archive, stop);
        },
        std::move(done));
}

void RadioCore::CheckVersion(QObject* receiver, float ownVersion, std::function<void(float)> done) {
    requests_.Run<std::optional<float>>(
        receiver,
        [bases = bases_, ownVersion](std::stop_token stop) {
            return CheckRadioVersion(bases, ownVersion, stop);
        },
        [this, done = std::move(done)](std::optional<float> published) {
            if (published) {
                newVersionFound_ = true;
                done(*published);
            }
        });
}

void RadioCore::Shutdown() {
    shutDown_ = true;
    ++playRequest_;
    waitingAct_ = nullptr;
    requests_.StopAll();
    radioCatalogue_ = {};
}

} // namespace sonavia
