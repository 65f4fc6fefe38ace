#pragma once

#include "player/PlayerEngine.h"

#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <vector>

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

namespace sonavia {

// The media player over GStreamer's playbin.
//
// Nothing here waits on the network or the pipeline. An open is accepted at once when its
// address is well formed and of an allowed scheme; the pipeline then starts paused and plays
// once it holds enough audio ahead of the output (see kStartReserve). A playlist (PLS, M3U, ASX,
// XSPF) is read off the interface thread and its entries are tried in order; an HTTP live stream's
// playlist is a stream and goes to playbin as it is. An open is bounded: its depth of nested
// playlists, its downloads, the streams it tries and its time.
//
// A network stream that played and then ends, fails or stops delivering data is reported as
// dropped and opened again, with back-off, until a stop or another open.
//
// The audio ahead of the output is counted through the whole pipeline: the stream received and
// not yet decoded (at the stream's own rate of bytes to audio) and the audio decoded and not yet
// handed to the output. The network queue's own buffering reports do not say this: a server's
// burst arrives in reads of seconds of audio each, and once the parser has taken one the queue
// reports itself nearly empty while seconds of audio are still on their way to the output.
// Playback pauses to refill only when the whole reserve runs low.
//
// GStreamer reports from its own threads; those reports are handed to the interface thread,
// and only there do they change the player's state. A report of an earlier attempt, or one that
// a newer report of the same kind has overtaken, is dropped.
class CMediaPlayer : public PlayerEngine {
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
    static constexpr int kMaxVolume = 100;
    // The longest an open (its playlist downloads and its stream attempts) takes to play or fail.
    static constexpr std::chrono::milliseconds kOpenTimeLimit{20000};
    // A stream attempt that decodes no audio in this time fails (a server that sends headers and
    // then nothing).
    static constexpr std::chrono::milliseconds kFirstAudioTime{8000};
    // A playing stream that receives and decodes nothing for this long has dropped.
    static constexpr std::chrono::milliseconds kStallTime{5000};
    // A network stream plays once this much audio is ahead of the output: more than a link that
    // holds data back for a few hundred milliseconds at a time takes away, and little enough to
    // be heard soon after a server comes back (a server with a burst for new listeners fills it
    // at once). Each time the reserve runs out while playing, the hold before playing on doubles,
    // up to kMaxReserve, for the rest of the open.
    static constexpr std::chrono::milliseconds kStartReserve{800};
    static constexpr std::chrono::milliseconds kMaxReserve{4000};
    // Playing on with less than this ahead of the output (besides what the output itself holds)
    // would break up the sound: playback pauses until the reserve is back.
    static constexpr std::chrono::milliseconds kLowReserve{100};

    explicit CMediaPlayer(QObject* parent = nullptr);
    ~CMediaPlayer() override;
    CMediaPlayer(const CMediaPlayer&) = delete;
    CMediaPlayer& operator=(const CMediaPlayer&) = delete;

    Setup Create();
    bool IsReady() const { return playbin_ != nullptr; }

    bool OpenStation(const std::string& address) override;
    bool OpenAddress(const std::string& address) override;
    bool Stop() override;
    bool SetVolume(int volume) override;
    bool SetMute(bool mute) override;
    std::uint64_t ReceivedPackets() const override { return receivedPackets_.load(); }

    // The playbin element and the audio output inside it, for measurements and tests that look
    // inside; null until Create().
    GstElement* Playbin() const { return playbin_; }
    GstElement* Output() const { return output_; }

private:
    using Clock = std::chrono::steady_clock;

    // An address still to try within one open.
    struct Candidate {
        std::string uri;
        // How many playlists led to it.
        int depth = 0;
        // Read it as a playlist before playbin gets it.
        bool readFirst = false;
        // Already read, and found no playlist.
        bool read = false;
    };
    enum class Phase { Idle, Reading, Starting, Playing };
    struct ProbeTask;

    void StartOpen(const std::string& uri, bool reconnect);
    // Tries the open's next candidate, or ends the open when none is left.
    void Advance(std::uint64_t open);
    void ReadPlaylist(const Candidate& candidate);
    void PlaylistRead(ProbeTask* task, std::uint64_t open, const Candidate& candidate,
                      bool playlist, const std::vector<std::string>& entries);
    bool PlayCandidate(const Candidate& candidate);
    // Plays the attempt of that generation again, its server asked for no metadata.
    void MetadataTooFrequent(std::uint64_t generation);
    void AttemptFailed(bool notMedia);
    void OpenEnded();
    void StreamDropped();
    void ScheduleReconnect();
    void Reconnect();
    // Ends the pipeline's current attempt; its late reports are dropped from then on.
    void ResetPipeline();
    void CancelReads();
    void Watch();
    void MarkPlaying();
    void RequestPlaying();
    void ReportBufferingEnded();
    // The audio ahead of the output; none until the stream's rate of bytes to audio is known.
    std::optional<std::chrono::nanoseconds> Reserve() const;
    // Starts playing a held stream whose reserve is met, or holds a playing one whose reserve
    // has run low.
    void CheckReserve();
    // Holds the pipeline paused until the reserve is met, and reports buffering. Returns false
    // when the radio side, in answer to the report, started another attempt or stopped.
    bool Hold();

    // GStreamer's callbacks; they run on GStreamer's threads.
    struct Callbacks;
    friend struct Callbacks;
    // Runs on the interface thread.
    void HandleMessage(GstMessage* message, std::uint64_t generation, std::uint64_t sequence);
    void HandleTitle(const QString& title, std::uint64_t generation);

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
        // An HTTP live stream's first playlist, and whether it was too long to take.
        std::atomic<std::uint64_t> liveListBytes{0};
        std::atomic<std::uint64_t> liveListLines{0};
        std::atomic<bool> liveListRefused{false};
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

    // The address accepted last, while it is meant to play; empty after a stop or a failed open.
    std::string meantToPlay_;
    bool localSource_ = false;
    // The address of this open whose server sends metadata too often, and whether the attempt
    // under way asks for metadata (read on GStreamer's threads).
    std::string noMetadataUri_;
    std::atomic<bool> metadataWanted_{true};

    // The open under way: each open and each stop takes a new number.
    std::uint64_t openNumber_ = 0;
    std::deque<Candidate> candidates_;
    Candidate current_;
    int downloadsLeft_ = 0;
    int streamsLeft_ = 0;
    Clock::time_point openDeadline_;
    // The open is a reconnection: its failure is not reported as a failed open.
    bool reconnecting_ = false;
    std::vector<std::shared_ptr<ProbeTask>> reads_;

    // The attempt under way.
    Phase phase_ = Phase::Idle;
    Clock::time_point attemptStart_;
    Clock::time_point lastProgress_;
    std::uint64_t progressMark_ = 0;
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
    QString title_;
    // The reserve a held stream waits for in this open.
    std::chrono::milliseconds reserveTarget_ = kStartReserve;

    // Reconnection: the attempts so far, and when the stream dropped.
    int reconnectAttempts_ = 0;
    Clock::time_point droppedAt_;
    QTimer watchTimer_;
    QTimer reconnectTimer_;
    // Looks at the reserve of a buffered stream: often while it is held, so that it plays as soon
    // as it can, and less often while it plays.
    QTimer reserveTimer_;
};

} // namespace sonavia
