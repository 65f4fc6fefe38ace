#pragma once

#include "components/PlayerEngine.h"

#include <QTimer>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

namespace sonavia {

// The media player over GStreamer's playbin.
//
// Nothing here waits on the network or the pipeline. An open is accepted at once when its
// address is well formed and of an allowed scheme; the pipeline then starts paused and plays
// once its buffer is full. A playlist (PLS, M3U, ASX, XSPF) is read off the interface thread and
// its entries are tried in order; an HTTP live stream's playlist is a stream and goes to playbin
// as it is. An open is bounded: its depth of nested playlists, its downloads, the streams it
// tries and its time.
//
// A network stream that played and then ends, fails or stops delivering data is reported as
// dropped and opened again, with back-off, until a stop or another open.
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

    // The playbin element, for measurements and tests that look inside; null until Create().
    GstElement* Playbin() const { return playbin_; }

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

    // GStreamer's callbacks; they run on GStreamer's threads.
    struct Callbacks;
    friend struct Callbacks;
    // Runs on the interface thread.
    void HandleMessage(GstMessage* message, std::uint64_t generation, std::uint64_t sequence);
    void HandleTitle(const QString& title, std::uint64_t generation);

    GstElement* playbin_ = nullptr;
    std::atomic<std::uint64_t> receivedPackets_{0};
    // Buffers that reached the audio output in this attempt.
    std::atomic<std::uint64_t> decodedBuffers_{0};

    // Each attempt, and each reset of the pipeline, starts a new generation.
    std::atomic<std::uint64_t> generation_{0};
    // Numbers every buffering report, so that only the latest one is acted on.
    std::atomic<std::uint64_t> bufferingSequence_{0};

    // The address accepted last, while it is meant to play; empty after a stop or a failed open.
    std::string meantToPlay_;
    bool localSource_ = false;

    // The open under way: each open and each stop takes a new number.
    std::uint64_t openNumber_ = 0;
    std::deque<Candidate> candidates_;
    Candidate current_;
    int downloadsLeft_ = 0;
    int streamsLeft_ = 0;
    Clock::time_point openDeadline_;
    // The open is a reconnection: its failure is not reported as a failed open.
    bool reconnecting_ = false;
    std::vector<std::unique_ptr<ProbeTask>> reads_;

    // The attempt under way.
    Phase phase_ = Phase::Idle;
    Clock::time_point attemptStart_;
    Clock::time_point lastProgress_;
    std::uint64_t progressMark_ = 0;
    bool live_ = false;
    bool buffering_ = false;
    bool bufferingEndReported_ = false;
    QString title_;

    // Reconnection: the attempts so far, and when the stream dropped.
    int reconnectAttempts_ = 0;
    Clock::time_point droppedAt_;
    QTimer watchTimer_;
    QTimer reconnectTimer_;
};

} // namespace sonavia
