#pragma once

#include "network/RequestWorkers.h"
#include "player/OpenPlan.h"
#include "player/Pipeline.h"
#include "player/PlayerEngine.h"
#include "rules/Product.h"

#include <QTimer>
#include <cstdint>
#include <string>
#include <vector>

namespace sonavia {

// The media player: the open plan's rules over GStreamer's pipeline.
//
// Nothing here waits on the network or the pipeline. An open is accepted at once when its
// address is well formed and of an allowed scheme; the plan then decides what to try (a playlist
// (PLS, M3U, ASX, XSPF) is read on a worker and its entries are tried in order; an HTTP live
// stream's playlist is a stream and goes to the pipeline as it is) and the pipeline plays it.
//
// A network stream that played and then ends, fails or stops delivering data is reported as
// dropped and opened again, with back-off, until a stop or another open; one that drops too often
// is given up and reported as a failed open.
class CMediaPlayer : public PlayerEngine {
    Q_OBJECT
public:
    using Setup = Pipeline::Setup;

    static constexpr const char* kAudioSinkVariable = Pipeline::kAudioSinkVariable;

    explicit CMediaPlayer(QObject* parent = nullptr);
    ~CMediaPlayer() override;
    CMediaPlayer(const CMediaPlayer&) = delete;
    CMediaPlayer& operator=(const CMediaPlayer&) = delete;

    Setup Create() { return pipeline_.Create(); }
    bool IsReady() const { return pipeline_.IsReady(); }

    bool OpenAddress(const std::string& address) override;
    bool Stop() override;
    bool SetVolume(int volume) override;
    bool SetMute(bool mute) override;
    std::uint64_t ReceivedPackets() const override { return pipeline_.ReceivedPackets(); }

    // The playbin element and the audio output inside it, for measurements and tests that look
    // inside; null until Create().
    GstElement* Playbin() const { return pipeline_.Playbin(); }
    GstElement* Output() const { return pipeline_.Output(); }

private:
    // What a playlist read found.
    struct ReadResult {
        bool playlist = false;
        std::vector<std::string> entries;
    };

    void StartOpen(bool reconnect);
    // Takes the plan's next step, if `open` is still the open under way.
    void Advance(std::uint64_t open);
    void Act(const OpenPlan::Step& step);
    void ReadPlaylist(const OpenPlan::Candidate& candidate);
    void PlaylistRead(std::uint64_t open, const OpenPlan::Candidate& candidate,
                      const ReadResult& result);
    // Gives the candidate to the pipeline; false when it refuses it at once.
    bool PlayCandidate(const OpenPlan::Candidate& candidate);
    void AttemptFailed(bool notMedia, const char* why);
    void StreamDropped(const char* why);
    void Reconnect();
    void Watch();
    void MarkPlaying();

    // The pipeline's reports.
    void Ended(bool error, bool notMedia);
    // Plays the attempt again: its server sends metadata too often.
    void MetadataTooFrequent();
    void Title(const QString& title);

    Pipeline pipeline_;
    OpenPlan plan_;
    // The address of this open whose server sends metadata too often.
    std::string noMetadataUri_;
    QString title_;
    QTimer watchTimer_;
    QTimer reconnectTimer_;
    // The playlist reads; last, so that they end first when the player goes.
    RequestWorkers reads_;
};

} // namespace sonavia
