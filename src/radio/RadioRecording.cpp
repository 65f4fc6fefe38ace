#include "radio/RadioRecording.h"

#include "player/StreamRecorder.h"
#include "radio/RadioLog.h"
#include "rules/CatalogueText.h"
#include "rules/Product.h"
#include "rules/RecordingName.h"

#include <QDir>
#include <QStandardPaths>

namespace sonavia {

namespace {

constexpr char kMusicFolder[] = "Music";
constexpr char kRecordingText[] = "Recording";
constexpr char kStoppedText[] = "Recording stopped: ";
// The folder of a station whose name leaves nothing for a file name.
constexpr char kUnnamedStation[] = "Station";

} // namespace

RadioRecording::RadioRecording(RadioCore& core, StreamRecorder* recorder, QObject* parent)
    : QObject(parent), core_(core), recorder_(recorder), available_(Available()) {
    connect(&core_, &RadioCore::StateChanged, this, &RadioRecording::OnStateChanged);
    if (recorder_ != nullptr) {
        connect(recorder_, &StreamRecorder::Failed, this, &RadioRecording::OnFailed);
    }
}

bool RadioRecording::Available() const {
    return recorder_ != nullptr && core_.Playing();
}

std::filesystem::path RadioRecording::StationFolder(const std::string& station) {
    QString music = QStandardPaths::writableLocation(QStandardPaths::MusicLocation);
    if (music.isEmpty()) {
        music = QDir::home().filePath(QString::fromLatin1(kMusicFolder));
    }
    std::string name = FileNamePart(CatalogueTextAsUtf8(station));
    if (name.empty()) {
        name = kUnnamedStation;
    }
    return std::filesystem::path(music.toStdString()) / kProductTitle / name;
}

void RadioRecording::SetRecording(bool on) {
    if (on == recording_ || (on && !Available())) {
        emit Changed();
        return;
    }
    if (!on) {
        End();
        return;
    }
    station_ = core_.CurrentStationName();
    title_ = core_.StreamTitle();
    stoppedReason_.clear();
    const std::filesystem::path folder = StationFolder(station_);
    qCInfo(lcRadio).noquote() << "recording into" << QString::fromStdString(folder.string());
    recorder_->Start(folder, title_.toStdString());
    recording_ = true;
    emit Changed();
}

QString RadioRecording::StatusText() const {
    if (recording_) {
        return QString::fromLatin1(kRecordingText);
    }
    return stoppedReason_.isEmpty() ? QString()
                                    : QString::fromLatin1(kStoppedText) + stoppedReason_;
}

void RadioRecording::OnStateChanged() {
    if (recording_) {
        const PlayState state = core_.State();
        if (core_.CurrentStationName() != station_ || state == PlayState::Stopped ||
            state == PlayState::Failed) {
            End();
        } else if (!core_.StreamTitle().isEmpty() && core_.StreamTitle() != title_) {
            title_ = core_.StreamTitle();
            recorder_->NextFile(title_.toStdString());
        }
    }
    if (Available() != available_) {
        available_ = Available();
        emit Changed();
    }
}

void RadioRecording::OnFailed(const QString& reason) {
    qCWarning(lcRadio).noquote() << "recording stopped:" << reason;
    recording_ = false;
    stoppedReason_ = reason;
    emit Changed();
}

void RadioRecording::End() {
    recorder_->Stop();
    recording_ = false;
    qCInfo(lcRadio) << "recording ended";
    emit Changed();
}

} // namespace sonavia
