#pragma once

#include "radio/RadioCore.h"

#include <QObject>
#include <QString>
#include <filesystem>
#include <string>

namespace sonavia {

class StreamRecorder;

// The tray's "Record": what the station plays goes into the user's music folder, under
// "Sonavia Plus/<station>/", a file for each of the stream's titles. Recording ends with a change
// of station, a stop, a station that fails and the program's end; it goes on in a new file when
// the stream comes back after a drop. A disk that fails ends it and leaves the reason to tell.
class RadioRecording : public QObject {
    Q_OBJECT
public:
    // `recorder` is the player's, or null where the player can record nothing.
    RadioRecording(RadioCore& core, StreamRecorder* recorder, QObject* parent = nullptr);

    // Whether a recording can start: a station plays, or is on its way.
    bool Available() const;
    bool Recording() const { return recording_; }
    void SetRecording(bool on);
    // "Recording", "Recording stopped: <reason>" after a failure, or nothing.
    QString StatusText() const;

    // The folder of a station's recordings: XDG_MUSIC_DIR, else ~/Music.
    static std::filesystem::path StationFolder(const std::string& station);

signals:
    // Started, ended, or whether a recording can start changed.
    void Changed();

private:
    void OnStateChanged();
    void OnFailed(const QString& reason);
    void End();

    RadioCore& core_;
    StreamRecorder* recorder_;
    bool recording_ = false;
    bool available_ = false;
    std::string station_;
    QString title_;
    QString stoppedReason_;
};

} // namespace sonavia
