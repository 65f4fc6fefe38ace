#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace sonavia {

// What the player tries for the address it was given, and when it gives up or tries again.
//
// An open tries candidates in order: the address itself, and the entries of each playlist read
// (at most two deep), within budgets of downloads, of streams and of time, so that a long or
// nested playlist of dead addresses ends soon. A stream that played and then dropped is opened
// again every quarter second while the drop is recent, then with a back-off, until a stop or
// another address. Drops are remembered over minutes, not only since the last one: a stream that
// keeps dropping soon after it plays is opened again with a back-off, and then given up.
//
// Plain rules: the caller does the reading and the playing, hands in the time, and acts on the
// steps and verdicts it gets back.
class OpenPlan {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;

    // A playlist may list another playlist; deeper nesting is not followed.
    static constexpr int kMaxPlaylistDepth = 2;
    static constexpr int kMaxDownloads = 8;
    static constexpr int kMaxStreams = 8;
    // The longest an open (its playlist downloads and its stream attempts) takes to play or fail.
    static constexpr std::chrono::milliseconds kTimeLimit{20000};
    // A stream attempt that decodes no audio in this time fails (a server that sends headers and
    // then nothing).
    static constexpr std::chrono::milliseconds kFirstAudioTime{8000};
    // A playing stream that receives and decodes nothing for this long has dropped.
    static constexpr std::chrono::milliseconds kStallTime{5000};
    // Every tenth of a second while the drop is fresh, then every quarter second while it is
    // recent (a server restarting comes back in seconds, and its listeners should hear it soon
    // after), then a back-off that doubles up to its cap.
    static constexpr std::chrono::milliseconds kFreshReconnectDelay{100};
    static constexpr std::chrono::milliseconds kFreshDropPeriod{15000};
    static constexpr std::chrono::milliseconds kQuickReconnectDelay{250};
    static constexpr std::chrono::milliseconds kQuickReconnectPeriod{30000};
    static constexpr std::chrono::milliseconds kSlowReconnectDelay{2000};
    static constexpr std::chrono::milliseconds kMaxReconnectDelay{10000};
    // A server that plays a moment and then closes, again and again, is no outage: after this many
    // drops within the window its reconnections back off at once, doubling up to a longer cap.
    static constexpr int kFlappingDrops = 5;
    static constexpr std::chrono::milliseconds kFlappingWindow{60000};
    static constexpr std::chrono::milliseconds kMaxFlappingDelay{30000};
    // So many drops within the window and the address is given up: the open is reported failed.
    static constexpr int kGiveUpDrops = 10;
    static constexpr std::chrono::milliseconds kGiveUpWindow{300000};
    // Playing this long without a drop forgets the drops before.
    static constexpr std::chrono::milliseconds kSteadyPlayTime{60000};

    // An address still to try within one open.
    struct Candidate {
        std::string uri;
        // How many playlists led to it.
        int depth = 0;
        // Read it as a playlist before the pipeline gets it.
        bool readFirst = false;
        // Already read, and found no playlist.
        bool read = false;
        friend bool operator==(const Candidate&, const Candidate&) = default;
    };

    enum class Phase { Idle, Reading, Starting, Playing };

    enum class Action {
        // Download the candidate and hand its entries to PlaylistRead().
        Read,
        // Give the candidate to the pipeline, then call Started() (or Next() when it refuses).
        Play,
        // The open failed: report it.
        Fail,
        // The address dropped too often to be tried again: report it as a failed open.
        GiveUp,
        // Open the address again (Begin(true, ...)) after `delay`.
        Reconnect,
        // Nothing more to do.
        Finish,
    };
    struct Step {
        Action action = Action::Finish;
        Candidate candidate;
        std::chrono::milliseconds delay{0};
    };

    // What the attempt under way has come to, as Watch() finds it.
    enum class Verdict { None, Playing, AttemptFailed, TimedOut, Stalled };

    // The address accepted last, while it is meant to play; empty after a stop, a failed open or
    // a local file played to its end.
    const std::string& Address() const { return address_; }
    Phase CurrentPhase() const { return phase_; }
    bool Attempting() const { return phase_ == Phase::Starting || phase_ == Phase::Playing; }
    // Each open, each stop, each drop and each attempt that plays takes a new number: a result
    // that comes back for an older number is out of date.
    std::uint64_t Number() const { return number_; }
    const Candidate& Current() const { return current_; }
    bool Reconnecting() const { return reconnecting_; }
    // When the open under way ends at the latest.
    TimePoint Deadline() const { return deadline_; }

    // A new address (or the same one again): it is meant to play, and the last address's
    // reconnection and drops are forgotten.
    void Accept(std::string uri, bool localSource);
    // Starts an open of the accepted address: the first one, or a reconnection (whose failure is
    // not reported, but tried again).
    void Begin(bool reconnect, TimePoint now);
    // The next thing to do in the open under way.
    Step Next(TimePoint now);
    // A read has come back: a playlist's entries go first, in their order; an address that was
    // no playlist after all goes to the pipeline.
    void PlaylistRead(const Candidate& candidate, bool playlist,
                      const std::vector<std::string>& entries);
    // The pipeline took the current candidate.
    void Started(TimePoint now);
    // The current candidate failed before it played; a reply that no decoder takes may be a
    // playlist without a playlist's name, and is read once. Then Next().
    void AttemptFailed(bool notMedia);
    // The attempt under way decoded its first audio; `progress` counts what it has received and
    // decoded so far.
    void MarkPlaying(TimePoint now, std::uint64_t progress);
    // Looks at the attempt under way; `progress` as for MarkPlaying().
    Verdict Watch(TimePoint now, std::uint64_t progress, bool audioDecoded);
    // The playing stream dropped: a new number, the reconnection's clock starts, and the drop is
    // counted (after a steady play, alone).
    void Dropped(TimePoint now);
    // After a drop: a local file has played to its end; a stream is opened again, or given up.
    Step AfterDrop(TimePoint now);
    // No candidate is left: a reconnection is tried again later (or given up), a first open
    // fails.
    Step End(TimePoint now);
    void Stop();

private:
    Step Reconnect(TimePoint now);

    std::string address_;
    bool localSource_ = false;
    std::uint64_t number_ = 0;
    Phase phase_ = Phase::Idle;
    bool reconnecting_ = false;
    std::deque<Candidate> candidates_;
    Candidate current_;
    int downloadsLeft_ = 0;
    int streamsLeft_ = 0;
    TimePoint deadline_;
    TimePoint attemptStart_;
    TimePoint lastProgress_;
    std::uint64_t progressMark_ = 0;
    // Reconnection: when the stream dropped, and the attempts with back-off since.
    int backOffs_ = 0;
    TimePoint droppedAt_;
    // When the attempt under way started playing.
    TimePoint playingSince_;
    // The drops of the address within kGiveUpWindow, oldest first.
    std::deque<TimePoint> drops_;
    // The address drops too often: its reconnections back off from the first.
    bool flapping_ = false;
};

} // namespace sonavia
