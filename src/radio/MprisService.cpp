#include "radio/MprisService.h"

#include "localfiles/LocalFiles.h"
#include "radio/AfterReply.h"
#include "radio/CatalogueDisplay.h"
#include "radio/RadioCore.h"
#include "rules/Product.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QUrl>
#include <cmath>

namespace sonavia {

namespace {

constexpr char kPropertiesInterface[] = "org.freedesktop.DBus.Properties";
constexpr char kPropertiesChanged[] = "PropertiesChanged";
constexpr char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";
constexpr char kNoTrack[] = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
constexpr char kTrackPathPrefix[] = "/org/sonavia/Plus/station/";
constexpr char kPlaying[] = "Playing";
constexpr char kStopped[] = "Stopped";
// The program's largest icon, where the installation put it.
constexpr char kIconFile[] = "icons/hicolor/256x256/apps/%1.png";

// The program's icon as its installation put it: beside the program's own folder, else where
// the desktop looks for icons.
QString IconFile() {
    const QString relative =
        QString::fromLatin1(kIconFile).arg(QString::fromLatin1(kApplicationId));
    const QString besideProgram = QDir(QCoreApplication::applicationDirPath())
                                      .filePath(QStringLiteral("../share/") + relative);
    return QFileInfo::exists(besideProgram)
               ? QFileInfo(besideProgram).canonicalFilePath()
               : QStandardPaths::locate(QStandardPaths::GenericDataLocation, relative);
}

} // namespace

MprisService::MprisService(RadioCore& core) : core_(core) {
    new MprisRootAdaptor(*this);
    new MprisPlayerAdaptor(*this);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        return;
    }
    registered_ = bus.registerObject(QString::fromLatin1(kObjectPath), this) &&
                  bus.registerService(QString::fromLatin1(kServiceName));
    connect(&core_, &RadioCore::StateChanged, this, &MprisService::AnnounceState);
    connect(&core_, &RadioCore::VolumeChanged, this, &MprisService::AnnounceVolume);
}

MprisService::~MprisService() {
    if (registered_) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.unregisterService(QString::fromLatin1(kServiceName));
        bus.unregisterObject(QString::fromLatin1(kObjectPath));
    }
}

QString MprisService::PlaybackStatus() const {
    return QString::fromLatin1(core_.Playing() ? kPlaying : kStopped);
}

QVariantMap MprisService::Metadata() const {
    const auto position = core_.CurrentPosition();
    if (!position) {
        return {{QStringLiteral("mpris:trackid"),
                 QVariant::fromValue(QDBusObjectPath(QString::fromLatin1(kNoTrack)))}};
    }
    const QString station = DisplayText(core_.CurrentStationName());
    QVariantMap metadata{
        {QStringLiteral("mpris:trackid"),
         QVariant::fromValue(
             QDBusObjectPath(QString::fromLatin1(kTrackPathPrefix) + QString::number(*position)))},
        {QStringLiteral("xesam:title"),
         core_.StreamTitle().isEmpty() ? station : core_.StreamTitle()},
        {QStringLiteral("xesam:album"), station},
        {QStringLiteral("xesam:artist"), QStringList{station}},
    };
    if (const QString icon = IconFile(); !icon.isEmpty()) {
        metadata.insert(QStringLiteral("mpris:artUrl"), QUrl::fromLocalFile(icon).toString());
    }
    return metadata;
}

double MprisService::Volume() const {
    return static_cast<double>(core_.TargetVolume()) / kMaxVolume;
}

void MprisService::AnnounceState() {
    Announce(QString::fromLatin1(kPlayerInterface),
             {{QStringLiteral("PlaybackStatus"), PlaybackStatus()},
              {QStringLiteral("Metadata"), Metadata()},
              {QStringLiteral("CanGoPrevious"), !core_.PreviousStation().empty()}});
}

void MprisService::AnnounceVolume() {
    Announce(QString::fromLatin1(kPlayerInterface), {{QStringLiteral("Volume"), Volume()}});
}

void MprisService::Announce(const QString& interface, const QVariantMap& changed) {
    if (!registered_) {
        return;
    }
    QDBusMessage signal = QDBusMessage::createSignal(QString::fromLatin1(kObjectPath),
                                                     QString::fromLatin1(kPropertiesInterface),
                                                     QString::fromLatin1(kPropertiesChanged));
    signal << interface << changed << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

MprisRootAdaptor::MprisRootAdaptor(MprisService& service)
    : QDBusAbstractAdaptor(&service), service_(service) {}

QString MprisRootAdaptor::Identity() const {
    return QString::fromLatin1(kProductTitle);
}

QString MprisRootAdaptor::DesktopEntry() const {
    return QString::fromLatin1(kApplicationId);
}

void MprisRootAdaptor::Raise() {
    AfterReply(this, [this] { emit service_.RaiseRequested(); });
}

void MprisRootAdaptor::Quit() {
    AfterReply(this, [this] { emit service_.QuitRequested(); });
}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService& service)
    : QDBusAbstractAdaptor(&service), service_(service) {}

void MprisPlayerAdaptor::SetVolume(double volume) {
    if (std::isfinite(volume)) {
        service_.Core().SetVolume(
            static_cast<int>(std::lround(std::clamp(volume, 0.0, 1.0) * kMaxVolume)));
    }
}

void MprisPlayerAdaptor::Next() {
    service_.Core().StartupPlay(kRandomStationName, RadioCore::Requester::MediaControls);
}

bool MprisPlayerAdaptor::CanGoPrevious() const {
    return !service_.Core().PreviousStation().empty();
}

void MprisPlayerAdaptor::Previous() {
    service_.Core().PlayPrevious();
}

void MprisPlayerAdaptor::Pause() {
    Stop();
}

void MprisPlayerAdaptor::PlayPause() {
    if (service_.Core().Playing()) {
        service_.Core().StopOrResume(RadioCore::Requester::MediaControls);
    } else {
        Play();
    }
}

void MprisPlayerAdaptor::Stop() {
    if (service_.Core().Playing()) {
        service_.Core().StopOrResume(RadioCore::Requester::MediaControls);
    }
}

void MprisPlayerAdaptor::Play() {
    service_.Core().PlayOrResume();
}

} // namespace sonavia
