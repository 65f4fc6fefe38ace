#pragma once

#include "catalogue/Package.h"
#include "catalogue/ShoppingLoad.h"
#include "localfiles/InterfaceArchive.h"
#include "network/RequestWorkers.h"
#include "rules/FadeIn.h"
#include "rules/Product.h"
#include "rules/RadioCatalogue.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>

namespace sonavia {

class PlayerEngine;

// What the radio does now, as the user sees it.
enum class PlayState {
    Stopped,
    // A station's address is being fetched, or its stream is buffering or reconnecting.
    Connecting,
    Playing,
    // The station could not be reached: its address could not be had or its stream not played.
    Failed,
};

// The radio: the one owner of its state, which outlives every radio window: the catalogue and
// the package, the current station, what plays, the volume with its fade-in and the mute, the
// random picks, the stream's title, and what the radio window keeps between its openings.
//
// Every way of playing a station (start-up, "Random Channel" in the window and in the tray, the
// station tree, the tray's "Stop/Resume") goes through one sequence: choose the station, fetch
// its address off the interface thread, then, back on it and in this order, tell the user when
// the address could not be had, write channel.dat, hand the address to the player and write
// tv.dat. The latest request wins: the result of an earlier one is dropped. Nothing here waits
// on the network or the player.
//
// The windows, the station tree and the tray show this object and hand it the user's acts; they
// keep no copy of its state. Its texts are the catalogue's own bytes.
class RadioCore : public QObject {
    Q_OBJECT
public:
    RadioCore(PlayerEngine& player, ServerBases bases, std::filesystem::path startupDirectory,
              InterfacePackDirectory archive, QObject* parent = nullptr);
    ~RadioCore() override;

    // Start-up: chooses the package, then loads the catalogue and the package's availability
    // flags off the interface thread. Once they are in, the station that channel.dat names
    // plays, and CatalogueChanged is sent. Acts that need the catalogue wait for it meanwhile.
    void Start();
    // Takes the results of requests that have ended already, without waiting for the others: at
    // start-up, before the window is built, so that a station whose address is in connects
    // while the window is made.
    void TakeEndedRequests();
    // The volume of setting.dat: the sound comes up to it until a radio window sets the volume.
    void SetSavedVolume(int volume);
    bool CatalogueReady() const { return catalogueReady_; }
    // Where the catalogue, the site's pages and searches are asked for.
    const ServerBases& Bases() const { return bases_; }
    // Requests still waiting on the network; a request that has ended has handed its result on.
    int RequestsUnderWay() const { return requests_.Running(); }
    const RadioCatalogue& Catalogue() const { return radioCatalogue_; }
    const ChannelPackage& Package() const { return package_; }

    // The user's acts.
    // The station tree's choice of a station by name: channel.dat, then tv.dat once it plays.
    void ChooseStation(const std::string& name);
    // A station that the desktop's search found: played as the tree's choice, and the lists
    // show it.
    void ChooseFoundStation(const std::string& name);
    // "Random Channel" in the radio window: the window's random rule; channel.dat is written.
    void WindowRandomPlay();
    // Who asked for a start-up play, as the log names it.
    enum class Requester { Startup, Tray, MediaControls, SleepTimer };
    // Start-up play: the station of that name ("random": a random one by the start-up rule, an
    // unknown name: the catalogue's first); used at start-up, by the tray's "Random Channel" and
    // by "Resume". The sound comes up once the stream plays; channel.dat is not written.
    void StartupPlay(const std::string& name, Requester by = Requester::Startup);
    // The tray's "Stop/Resume": stops what plays, or plays the current station again.
    void StopOrResume(Requester by = Requester::Tray);
    // The media controls' Play: with nothing playing or on its way, resumes as "Stop/Resume"
    // does; with no station chosen yet, a random one plays.
    void PlayOrResume();
    // The media controls' Previous: the previous station (below) plays as by start-up play.
    void PlayPrevious();
    // The volume the user set (0..100): it ends a fade-in and the mute.
    void SetVolume(int volume);
    // The "Mute" box: switches the player's mute over.
    void ToggleMute();

    // The radio window's life.
    // Opening: the volume of setting.dat becomes the target. The first opening of a run fades
    // the sound in from silence once the first stream plays; later ones set the target at once.
    void WindowOpened(int settingsVolume);
    // Closing ("Hide" or "Exit"): a fade under way ends at its target; with "Random Selection
    // every start" chosen, channel.dat names "random" for the next start while the current
    // station goes on playing.
    void WindowClosed(bool randomEveryStart);
    // A step of the fade-in; the core's fade timer takes one every kFadeStepInterval while a
    // fade runs, window or none. Returns the volume slider's new position when it moves.
    std::optional<int> TickFade();
    // The sleep timer's end: the sound falls to silence over `length`, then the station stops as
    // the tray's Stop stops it; the user's volume stays for the next play. False, and nothing
    // done, when nothing plays. A play, a stop or a volume the user sets ends the fade at once.
    bool FadeOutAndStop(std::chrono::milliseconds length);
    bool FadingOut() const { return fadeOut_.active; }
    // Ends a fade-out under way: the player takes the user's volume again.
    void EndFadeOut();

    // Whether a settings file could be written in the start-up folder. The first failure of a
    // run is told to the user (MessageRequested), from the event loop rather than from inside
    // the save, which may be a window closing or the program ending.
    void NoteSettingsSaved(bool saved);

    // What the radio does.
    PlayState State() const { return state_; }
    const std::string& CurrentStationName() const { return currentStationName_; }
    // The catalogue position of the current station.
    std::optional<std::size_t> CurrentPosition() const;
    // Whether the station failed when it was last played: it stays marked until it plays again.
    bool Unreachable(const std::string& name) const { return unreachable_.contains(name); }
    bool Playing() const { return playing_; }
    bool StreamPlaying() const { return streamPlaying_; }
    bool BufferingFinished() const { return bufferingFinished_; }
    bool Muted() const { return muted_; }
    // The last volume the player took, which the fade-in raises.
    int CurrentVolume() const { return currentVolume_; }
    // The volume the user set: what setting.dat keeps.
    int TargetVolume() const { return fade_.target; }
    // Where the volume slider stands: the fade's step while it rises, else the target.
    int SliderVolume() const {
        return fade_.active ? std::min(fade_.level, fade_.target) : fade_.target;
    }
    // The station heard before the current one; empty until a second station is chosen.
    std::string PreviousStation() const;
    // The stream's own title for what plays now; empty when it sends none.
    const QString& StreamTitle() const { return streamTitle_; }
    // Buffers received for what plays now; none while stopped or failed.
    std::uint64_t ReceivedPackets() const;
    // The description of the first station of that name.
    std::string InfoTipFor(const std::string& name) const;

    // What the radio window keeps between its openings.
    int InterfaceHue() const { return interfaceHue_; }
    void SetInterfaceHue(int hue) { interfaceHue_ = hue; }
    bool BrowserPaneOpen() const { return browserPaneOpen_; }
    void SetBrowserPaneOpen(bool open) { browserPaneOpen_ = open; }
    // The first random pick of the run has happened (at start-up or in the radio window).
    bool RandomPickDone() const { return randomPickDone_; }
    void SetRandomPickDone() { randomPickDone_ = true; }
    // The maker's site publishes a newer version; the download button flashes until the end.
    bool NewVersionFound() const { return newVersionFound_; }

    // The catalogue server's other requests, off the interface thread; `done` runs on it unless
    // `receiver` has gone meanwhile.
    void LoadShopping(QObject* receiver, std::function<void(ShoppingData)> done);
    // `done` gets the published version when it is newer than `ownVersion`.
    void CheckVersion(QObject* receiver, float ownVersion, std::function<void(float)> done);

    // The end of the program: ends every request (within a fraction of a second) and frees the
    // catalogue; nothing plays any more after it.
    void Shutdown();

signals:
    // The catalogue came in: the lists fill.
    void CatalogueChanged();
    // A play other than the tree's chose the current station: the lists show it.
    void StationShown();
    // The play state, the current station or the stream's title changed.
    void StateChanged();
    // The volume the user set changed (from any control), or the mute did.
    void VolumeChanged(int volume);
    // A step of the fade-in moved the volume slider.
    void FadeStepped(int slider);
    void MuteChanged(bool muted);
    // A fade-out has ended: the station stopped, or the user acted first.
    void FadeOutEnded();
    // Something to tell the user in the message dialog; the sequence goes on once it returns.
    void MessageRequested(const QString& text);

private:
    enum class Origin { Startup, Window, Tree };
    // What chose a station, as the log names it.
    static const char* ChosenBy(Origin origin, Requester by);
    struct Prefetched {
        std::size_t position = 0;
        std::string address;
    };
    struct LoadedCatalogue;
    struct Choice {
        Origin origin;
        Requester by = Requester::Startup;
        std::string name;
        int index = 0;
    };

    void CatalogueLoaded(LoadedCatalogue loaded);
    // The one play sequence, from the chosen record on.
    void Play(Origin origin, std::size_t position, Requester by = Requester::Startup);
    void AddressFetched(const Choice& choice, const std::string& address, std::uint64_t request);
    // Returns whether the request is still the latest once the user has read the message.
    bool TellUser(std::uint64_t request);
    bool OpenInPlayer(const std::string& address);
    // What plays is not the chosen station: nothing plays, and the station shows as failed.
    void StationFailed(const char* why);
    void SetState(PlayState state);
    void SetVolumeOfPlayer(int volume);
    // Runs the fade timer while a fade-in is under way and the first stream has played, or while
    // a fade-out is.
    void RunFade();
    void TickFadeOut();
    void SaveChannelChoice(const std::string& name);
    // Acts that need the catalogue wait for it.
    bool WaitForCatalogue(std::function<void()> act);

    void OnBuffering(bool started);
    void OnOpenFailed();
    void OnDropped();
    void OnTitleChanged(const QString& title);

    PlayerEngine& player_;
    const ServerBases bases_;
    const std::filesystem::path startupDirectory_;
    const InterfacePackDirectory archive_;
    RequestWorkers requests_;

    RadioCatalogue radioCatalogue_;
    ChannelPackage package_;
    bool catalogueReady_ = false;
    std::function<void()> waitingAct_;
    // The remembered station's address, asked for with the catalogue, until start-up play.
    std::optional<Prefetched> prefetched_;

    // Numbers every play request and every stop: only the latest one's result is applied.
    std::uint64_t playRequest_ = 0;
    bool shutDown_ = false;

    PlayState state_ = PlayState::Stopped;
    std::string currentStationName_;
    // The player took the last stream address.
    bool playing_ = false;
    // Cleared while the stream buffers, set once it plays.
    bool streamPlaying_ = false;
    // Set the first time a stream has buffered; never cleared.
    bool bufferingFinished_ = false;
    bool muted_ = false;
    int currentVolume_ = kDefaultVolume;
    FadeIn fade_{kDefaultVolume, 0, false};
    FadeOut fadeOut_;
    QTimer fadeTimer_;
    bool windowOpenedBefore_ = false;
    // A start-up play set the volume to 0: it fades in to the target once the stream plays.
    bool raiseVolumeWhenPlaying_ = false;
    QString streamTitle_;
    // The last two stations heard, the latest first, each unlike the other: the one before the
    // current station is among them.
    std::array<std::string, 2> heard_;
    // The stations that could not be reached when they were last played.
    std::set<std::string> unreachable_;

    int interfaceHue_ = kDefaultHue;
    bool browserPaneOpen_ = false;
    bool randomPickDone_ = false;
    bool newVersionFound_ = false;
    bool unsavedSettingsTold_ = false;
};

} // namespace sonavia
