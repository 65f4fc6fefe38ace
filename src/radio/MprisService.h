#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QObject>
#include <QStringList>
#include <QVariantMap>

namespace sonavia {

class RadioCore;

// The desktop's media controls: the radio on the session bus as an MPRIS media player, under
// org.mpris.MediaPlayer2.SonaviaPlus. The desktop's play, pause, stop and next keys and its
// media panels act on the radio's core as the tray does, and see what it plays; every change is
// announced. Raise and Quit are handed on by signals to the base window, which owns the radio
// windows. Without a session bus nothing is exported and the program runs as before.
class MprisService : public QObject {
    Q_OBJECT
public:
    static constexpr char kServiceName[] = "org.mpris.MediaPlayer2.SonaviaPlus";
    static constexpr char kObjectPath[] = "/org/mpris/MediaPlayer2";
    // The application's interface, with Raise and Quit.
    static constexpr char kRootInterface[] = "org.mpris.MediaPlayer2";

    explicit MprisService(RadioCore& core);
    ~MprisService() override;

    // Whether the service is on the session bus.
    bool Registered() const { return registered_; }

    RadioCore& Core() { return core_; }

    // The player's properties as the bus shows them.
    QString PlaybackStatus() const;
    QVariantMap Metadata() const;
    double Volume() const;

signals:
    // Raise: open the radio window, or bring the open one to the front. Sent from the event
    // loop once the bus has its reply, as is QuitRequested.
    void RaiseRequested();
    // Quit: end the program as "Exit" does.
    void QuitRequested();

private:
    void AnnounceState();
    void AnnounceVolume();
    void Announce(const QString& interface, const QVariantMap& changed);

    RadioCore& core_;
    bool registered_ = false;
};

// org.mpris.MediaPlayer2: the application.
class MprisRootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ CanQuit)
    Q_PROPERTY(bool CanRaise READ CanRaise)
    Q_PROPERTY(bool Fullscreen READ Fullscreen)
    Q_PROPERTY(bool CanSetFullscreen READ CanSetFullscreen)
    Q_PROPERTY(bool HasTrackList READ HasTrackList)
    Q_PROPERTY(QString Identity READ Identity)
    Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)
public:
    explicit MprisRootAdaptor(MprisService& service);

    bool CanQuit() const { return true; }
    bool CanRaise() const { return true; }
    bool Fullscreen() const { return false; }
    bool CanSetFullscreen() const { return false; }
    bool HasTrackList() const { return false; }
    QString Identity() const;
    QString DesktopEntry() const;
    QStringList SupportedUriSchemes() const { return {}; }
    QStringList SupportedMimeTypes() const { return {}; }

public slots:
    void Raise();
    void Quit();

private:
    MprisService& service_;
};

// org.mpris.MediaPlayer2.Player: what plays, and the controls.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
    Q_PROPERTY(double Rate READ Rate WRITE SetRate)
    Q_PROPERTY(double MinimumRate READ Rate)
    Q_PROPERTY(double MaximumRate READ Rate)
    Q_PROPERTY(QVariantMap Metadata READ Metadata)
    Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
    Q_PROPERTY(qlonglong Position READ Position)
    Q_PROPERTY(bool CanGoNext READ CanGoNext)
    Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
    Q_PROPERTY(bool CanPlay READ CanPlay)
    Q_PROPERTY(bool CanPause READ CanPause)
    Q_PROPERTY(bool CanSeek READ CanSeek)
    Q_PROPERTY(bool CanControl READ CanControl)
public:
    explicit MprisPlayerAdaptor(MprisService& service);

    QString PlaybackStatus() const { return service_.PlaybackStatus(); }
    // A live stream plays at its own pace.
    double Rate() const { return 1.0; }
    void SetRate(double) {}
    QVariantMap Metadata() const { return service_.Metadata(); }
    double Volume() const { return service_.Volume(); }
    void SetVolume(double volume);
    qlonglong Position() const { return 0; }
    bool CanGoNext() const { return true; }
    bool CanGoPrevious() const;
    bool CanPlay() const { return true; }
    bool CanPause() const { return true; }
    bool CanSeek() const { return false; }
    bool CanControl() const { return true; }

public slots:
    // "Random Channel".
    void Next();
    // The station heard before this one.
    void Previous();
    // A live stream cannot hold: pausing stops it, as the tray's "Stop/Resume" does.
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString&) {}

signals:
    void Seeked(qlonglong position);

private:
    MprisService& service_;
};

} // namespace sonavia
