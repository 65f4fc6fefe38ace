#pragma once

#include "player/RecordingWriter.h"

#include <QObject>
#include <QString>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

typedef struct _GstElement GstElement;

namespace sonavia {

// Records the stream that a playbin plays, as it is received and without decoding it, into the
// files of a RecordingWriter: an MP3 or AAC stream from a server that interleaves metadata as it
// comes out of the metadata's demuxer (without it), an HTTP live stream as its segments come out
// of its demuxer, any other stream as its source delivers it.
//
// While nothing is recorded nothing of this is in the pipeline. A recording taps the stream with
// a probe that copies what passes into the writer's queue and never waits; each new connection
// of the stream (a reconnection) starts a new file. Everything here runs on the interface thread
// and returns at once.
class StreamRecorder : public QObject {
    Q_OBJECT
public:
    // `playbin` outlives the recorder.
    explicit StreamRecorder(GstElement* playbin, QObject* parent = nullptr);
    // Ends a recording; the program's end waits up to kExitWait for the files to be complete.
    ~StreamRecorder() override;
    StreamRecorder(const StreamRecorder&) = delete;
    StreamRecorder& operator=(const StreamRecorder&) = delete;

    static constexpr std::chrono::milliseconds kExitWait{2000};

    // Records into `folder`, the first file named for `title`.
    void Start(std::filesystem::path folder, std::string title);
    // A new file from the next point where the stream can be cut.
    void NextFile(std::string title);
    void Stop();
    bool Recording() const { return writer_ != nullptr; }

    // What the recorder shares with the probes and handlers it puts into the pipeline.
    struct Taps;

signals:
    // The recording ended by itself: the disk is full, cannot be written or cannot keep up.
    void Failed(const QString& reason);

private:
    GstElement* playbin_;
    std::shared_ptr<Taps> taps_;
    std::shared_ptr<RecordingWriter> writer_;
    unsigned long elementAddedHandler_ = 0;
    // The recordings ended in this run, until their files are complete.
    std::vector<std::shared_future<void>> finishing_;
    // Lets a report from the writer's thread find the recorder, if it is still there.
    std::shared_ptr<StreamRecorder*> self_;
};

} // namespace sonavia
