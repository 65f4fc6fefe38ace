#pragma once

#include <QObject>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>

typedef struct _GstElement GstElement;
typedef struct _GstMessage GstMessage;

namespace sonavia {

// The media player: plays stream addresses through GStreamer's playbin.
//
// Every operation returns whether it succeeded; on a player that could not be set up every
// operation does nothing and fails. An open waits, at most kOpenDecisionTime, for the stream to
// deliver its first decoded audio or to fail, so a refused connection, a missing stream or a
// web page is reported as a failed open. A stream still connecting when the wait ends is taken
// as accepted; should it fail later, the player stops it.
//
// An address whose reply is a playlist (PLS, M3U, ASX, XSPF) plays the first of its entries
// that opens; an HTTP live stream's playlist is a stream and goes to playbin as it is.
//
// GStreamer reports from its own threads; those reports are handed to the interface thread, and
// only there do they change the program's state.
class CMediaPlayer : public QObject {
    Q_OBJECT
public:
    enum class Setup {
        Ready,
        // GStreamer or its player element is missing: the program cannot play at all.
        Unavailable,
        // Set up only in part: every operation does nothing.
        Incomplete,
    };

    // Environment variable naming the audio output element ("fakesink" and "appsink" for
    // machines without sound and for tests); the system's default output otherwise.
    static constexpr char kAudioSinkVariable[] = "SONAVIA_AUDIO_SINK";
    static constexpr std::chrono::milliseconds kOpenDecisionTime{2000};
    static constexpr int kMaxVolume = 100;

    explicit CMediaPlayer(QObject* parent = nullptr);
    ~CMediaPlayer() override;
    CMediaPlayer(const CMediaPlayer&) = delete;
    CMediaPlayer& operator=(const CMediaPlayer&) = delete;

    Setup Create();
    bool IsReady() const { return playbin_ != nullptr; }

    // Volume 0 first, so that the caller can fade the station in; then the address.
    bool OpenStation(const std::string& address);
    // A stream address, a playlist's address (its entries are tried in order) or a local file.
    bool OpenAddress(const std::string& address);
    bool Stop();
    // 0 to 100; anything else fails and changes nothing.
    bool SetVolume(int volume);
    bool SetMute(bool mute);
    // Buffers received from the network (or read from a file) since the last open.
    std::uint64_t ReceivedPackets() const { return receivedPackets_.load(); }

    // The playbin element, for measurements and tests that look inside; null until Create().
    GstElement* Playbin() const { return playbin_; }

signals:
    // Buffering started (true) or ended (false).
    void Buffering(bool started);

private:
    // NotMedia: the address answered with something that is not audio, perhaps a playlist.
    enum class OpenOutcome { Pending, Playing, Failed, NotMedia };

    bool OpenResolved(const std::string& address, int depth, int& streamsLeft);
    // Plays the playlist at `address` (its first entry that opens); nullopt when the address
    // turns out not to be a playlist.
    std::optional<bool> OpenPlaylist(const std::string& address, int depth, int& streamsLeft);
    OpenOutcome PlayUri(const std::string& uri);
    void NewGeneration();
    void RecordOutcome(std::uint64_t generation, OpenOutcome outcome);
    void ReportBuffering(bool started);

    // GStreamer's callbacks; they run on GStreamer's threads.
    struct Callbacks;
    friend struct Callbacks;
    // Runs on the interface thread.
    void HandleMessage(GstMessage* message, std::uint64_t generation);

    GstElement* playbin_ = nullptr;
    std::atomic<std::uint64_t> receivedPackets_{0};

    // Each open or stop starts a new generation; reports from an older one are ignored.
    std::atomic<std::uint64_t> generation_{0};
    std::mutex openMutex_;
    std::condition_variable openChanged_;
    OpenOutcome openOutcome_ = OpenOutcome::Pending;

    bool buffering_ = false;
    // The stream comes from a live source, which plays on while it buffers.
    bool live_ = false;
    bool bufferingEndedReported_ = false;
};

} // namespace sonavia
