#pragma once

#include "player/AddressKind.h"

#include <QObject>
#include <QString>
#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

namespace sonavia {

// GStreamer's playbin with the player's own output: one stream attempt at a time, its reserve of
// audio ahead of the output, and its reports.
//
// An attempt starts paused and plays once it holds enough audio ahead of the output (see
// kStartReserve). The audio ahead of the output is counted through the whole pipeline: the stream
// received and not yet decoded (at the stream's own rate of bytes to audio) and the audio decoded
// and not yet handed to the output. The network queue's own buffering reports do not say this: a
// server's burst arrives in reads of seconds of audio each, and once the parser has taken one the
// queue reports itself nearly empty while seconds of audio are still on their way to the output.
// Playback pauses to refill only when the whole reserve runs low.
//
// GStreamer reports from its own threads; those reports are handed to the interface thread, and
// only there do they change any state. A report of an earlier attempt, or one that a newer report
// of the same kind has overtaken, is dropped.
class Pipeline : public QObject {
    Q_OBJECT
public:
    enum class Setup {
        Ready,
        // GStreamer or its player element is missing: the caller posts the quit request.
        Unavailable,
        // Set up only in part: every operation does nothing.
        Incomplete,
    };

    // The audio output: an element name ("fakesink" and "appsink" keep real time, for machines
    // without sound and for tests) or a pipeline description as gst-launch-1.0 takes it; the
    // system's default output otherwise.
    static constexpr char kAudioSinkVariable[] = "SONAVIA_AUDIO_SINK";
    // A network stream plays once this much audio is ahead of the output: more than a link that
    // holds data back for a few hundred milliseconds at a time takes away, and little enough to
    // be heard soon after a server comes back (a server with a burst for new listeners fills it
    // at once). Each time the reserve runs out while playing, the hold before playing on doubles,
    // up to kMaxReserve, for the rest of the address's playing.
    static constexpr std::chrono::milliseconds kStartReserve{800};
    static constexpr std::chrono::milliseconds kMaxReserve{4000};
    // A stream whose data has come in evenly while it was held (never still for longer than
    // kEvenArrivalPause over kEvenArrivalSpan) arrives at real-time speed from a server without a
    // burst, one just back from an outage among them: the whole first reserve would fill only at
    // that speed and delay the sound by as much. It plays on this smaller one; a run-out still
    // doubles the reserve from kStartReserve on.
    static constexpr std::chrono::milliseconds kEvenReserve{200};
    static constexpr std::chrono::milliseconds kEvenArrivalSpan{200};
    static constexpr std::chrono::milliseconds kEvenArrivalPause{150};
    // Playing on with less than this ahead of the output (besides what the output itself holds)
    // would break up the sound: playback pauses until the reserve is back.
    static constexpr std::chrono::milliseconds kLowReserve{100};

    explicit Pipeline(QObject* parent = nullptr);
    ~Pipeline() override;
    Pipeline(const Pipeline&) = delete;
    Pipeline& operator=(const Pipeline&) = delete;

    Setup Create();
    bool IsReady() const { return playbin_ != nullptr; }
    GstElement* Playbin() const { return playbin_; }
    GstElement* Output() const { return output_; }

    // Starts an attempt at `uri`, paused until its reserve is met; false when the pipeline
    // refuses it at once. The sources that the elements of a stream from a server (http, https)
    // make for it read from the web only: one for a local address fails the attempt.
    bool Play(const std::string& uri, bool wantMetadata);
    // Ends the attempt under way; its late reports are dropped from then on.
    void Reset();
    bool Stop();
    // While a dropped stream is opened again its failures are expected: GStreamer's errors are
    // then logged at info, not as warnings.
    void ExpectErrors(bool expected) { errorsExpected_ = expected; }
    // A new address starts with the first reserve again.
    void ForgetReserve() { reserveTarget_ = kStartReserve; }

    // 0..1.
    void SetVolume(double volume);
    void SetMute(bool mute);

    std::uint64_t ReceivedPackets() const { return receivedPackets_.load(); }
    void ClearReceivedPackets() { receivedPackets_ = 0; }
    bool AudioDecoded() const { return decodedBuffers_.load() > 0; }
    // What the attempt has received and decoded: it stalls while this stays still.
    std::uint64_t Progress() const { return receivedPackets_.load() + decodedBuffers_.load(); }

signals:
    // Buffering started (true) or ended (false).
    void Buffering(bool started);
    // The attempt under way ended (`notMedia`: its reply is no audio that a decoder takes).
    void Ended(bool error, bool notMedia);
    void TitleChanged(const QString& title);
    // The attempt's server sends metadata too often: it is worth playing again without.
    void MetadataTooFrequent();

private:
    struct Callbacks;
    friend struct Callbacks;
    // What is kept of a bus message for the interface thread.
    struct Report;

    void Handle(const Report& report);
    void OnBuffering(const Report& report);
    void OnLiveBuffering(bool queueFull);
    void OnAsyncDone();
    void OnPlaying();
    void RequestPlaying();
    void ReportBufferingEnded();
    // The audio ahead of the output; none until the stream's rate of bytes to audio is known.
    std::optional<std::chrono::nanoseconds> Reserve() const;
    // Starts playing a held stream whose reserve is met, or holds a playing one whose reserve
    // has run low.
    void CheckReserve();
    // The reserve that a held stream plays on, from how its data has come in so far.
    std::chrono::milliseconds HeldReserveTarget();
    // Holds the pipeline paused until the reserve is met, and reports buffering. Returns false
    // when the listener, in answer to the report, started another attempt or stopped.
    bool Hold();

    GstElement* playbin_ = nullptr;
    // The volume and the mute, applied to the decoded audio just ahead of the output, whatever
    // the output; set with playbin_.
    GstElement* volume_ = nullptr;
    // Owned by playbin_.
    GstElement* output_ = nullptr;
    std::atomic<std::uint64_t> receivedPackets_{0};
    // Buffers that reached the audio output in this attempt.
    std::atomic<std::uint64_t> decodedBuffers_{0};
    // What passed each point of the pipeline in this attempt, counted on GStreamer's threads.
    struct Flow {
        std::atomic<std::uint64_t> receivedBytes{0};
        // The parsed stream into the decoder, and the audio out of it (ns).
        std::atomic<std::uint64_t> decoderBytes{0};
        std::atomic<std::uint64_t> decodedNs{0};
        // The audio handed to the output (ns).
        std::atomic<std::uint64_t> outputNs{0};
        // The source has delivered all it will: what is left plays out.
        std::atomic<bool> sourceEnded{false};
        // The server sends metadata too often: the attempt is played again without it.
        std::atomic<bool> metadataRefused{false};
        // An HTTP live stream's first playlist as the demuxer reads it. Only the streaming
        // thread that carries it touches it; it is reset while no stream runs.
        LiveListWatch liveList;
        // An error of this attempt was logged: the ones that follow from it go at info.
        std::atomic<bool> errorLogged{false};
        // The last warning logged in this attempt: a repeated one is not logged again.
        std::atomic<std::uint64_t> lastWarning{0};
        void Reset();
    };
    Flow flow_;

    // Each attempt, and each reset of the pipeline, starts a new generation.
    std::atomic<std::uint64_t> generation_{0};
    // Numbers every buffering report, so that only the latest one is acted on.
    std::atomic<std::uint64_t> bufferingSequence_{0};
    // Whether the network queue's last report said it was full (-1: none yet in this attempt),
    // and whether every report goes to the interface thread (until the stream first plays, and
    // while it is held), or only those that change the queue's fullness.
    std::atomic<int> queueFullReported_{-1};
    std::atomic<bool> allBufferingReports_{true};
    std::atomic<bool> errorsExpected_{false};
    // Whether the attempt under way asks for metadata (read on GStreamer's threads).
    std::atomic<bool> metadataWanted_{true};
    // The attempt under way is a stream from a server: every source its elements make must read
    // from the web too (a local station's stream may read local files).
    std::atomic<bool> webOnly_{false};

    // The attempt under way, on the interface thread.
    bool attempting_ = false;
    bool live_ = false;
    // The attempt's source buffers (its queue posts buffering reports): the reserve decides when
    // it plays.
    bool buffered_ = false;
    // Held paused until the reserve is met.
    bool holding_ = false;
    // The network queue's latest report was "full"; decides for a stream whose reserve cannot
    // be known (no audio decoder to count at).
    bool queueFull_ = false;
    bool buffering_ = false;
    bool bufferingEndReported_ = false;
    // The reserve a held stream waits for.
    std::chrono::milliseconds reserveTarget_ = kStartReserve;
    // How the data has come in while held: since when, and the longest it stood still.
    struct Arrival {
        std::uint64_t received = 0;
        std::optional<std::chrono::steady_clock::time_point> first;
        std::chrono::steady_clock::time_point last;
        std::chrono::steady_clock::duration longestStill{};
    };
    Arrival heldArrival_;
    // Looks at the reserve of a buffered stream: often while it is held, so that it plays as soon
    // as it can, and less often while it plays.
    QTimer reserveTimer_;
};

} // namespace sonavia
