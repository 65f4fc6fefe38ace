#include "player/CMediaPlayer.h"

#include "player/AddressKind.h"
#include "player/AddressProbe.h"
#include "player/PlayerLog.h"
#include "player/PlaylistEntries.h"

#include <algorithm>
#include <gst/gst.h>
#include <malloc.h>

namespace sonavia {

namespace {

// How often the attempt under way is checked for audio and for data.
constexpr std::chrono::milliseconds kWatchInterval{200};
// The schemes an open accepts: the web, local files and the streaming protocols that the
// installed GStreamer serves.
constexpr const char* kAllowedSchemes[] = {"http", "https", "file", "rtsp", "mms", "mmsh"};

// An address as playbin takes it: a URI; a plain path is a local file.
std::string ToUri(const std::string& address) {
    if (address.empty()) {
        return {};
    }
    if (g_uri_peek_scheme(address.c_str()) != nullptr) {
        return address;
    }
    gchar* absolute = g_canonicalize_filename(address.c_str(), nullptr);
    gchar* uri = g_filename_to_uri(absolute, nullptr, nullptr);
    g_free(absolute);
    std::string result = uri != nullptr ? uri : std::string();
    g_free(uri);
    return result;
}

// Whether playbin may get the address: a known scheme with the parts it needs. A local file must
// exist; a stat does not wait on the network.
bool Acceptable(const std::string& uri) {
    GstUri* parsed = gst_uri_from_string(uri.c_str());
    if (parsed == nullptr) {
        return false;
    }
    const std::string scheme =
        gst_uri_get_scheme(parsed) != nullptr ? gst_uri_get_scheme(parsed) : "";
    const gchar* host = gst_uri_get_host(parsed);
    const bool hasHost = host != nullptr && host[0] != '\0';
    gst_uri_unref(parsed);
    const bool known = std::any_of(std::begin(kAllowedSchemes), std::end(kAllowedSchemes),
                                   [&scheme](const char* allowed) { return scheme == allowed; });
    if (!known || !gst_uri_protocol_is_supported(GST_URI_SRC, scheme.c_str())) {
        return false;
    }
    if (scheme != "file") {
        return hasHost;
    }
    gchar* path = g_filename_from_uri(uri.c_str(), nullptr, nullptr);
    const bool exists = path != nullptr && g_file_test(path, G_FILE_TEST_IS_REGULAR);
    g_free(path);
    return exists;
}

bool IsLocalFile(const std::string& uri) {
    return g_str_has_prefix(uri.c_str(), "file:");
}

OpenPlan::TimePoint Now() {
    return OpenPlan::Clock::now();
}

} // namespace

CMediaPlayer::CMediaPlayer(QObject* parent) : PlayerEngine(parent) {
    watchTimer_.setInterval(kWatchInterval);
    connect(&watchTimer_, &QTimer::timeout, this, &CMediaPlayer::Watch);
    reconnectTimer_.setSingleShot(true);
    connect(&reconnectTimer_, &QTimer::timeout, this, &CMediaPlayer::Reconnect);
    connect(&pipeline_, &Pipeline::Buffering, this, &PlayerEngine::Buffering);
    connect(&pipeline_, &Pipeline::Ended, this, &CMediaPlayer::Ended);
    connect(&pipeline_, &Pipeline::MetadataTooFrequent, this, &CMediaPlayer::MetadataTooFrequent);
    connect(&pipeline_, &Pipeline::TitleChanged, this, &CMediaPlayer::Title);
}

CMediaPlayer::~CMediaPlayer() {
    // The reads end before the pipeline goes; a cancelled download ends at its next progress
    // report.
    reads_.StopAll();
}

bool CMediaPlayer::OpenAddress(const std::string& address) {
    if (!pipeline_.IsReady()) {
        return false;
    }
    const std::string uri = ToUri(address);
    if (uri.empty() || !Acceptable(uri)) {
        qCInfo(lcPlayer) << "Refused address" << address.c_str();
        return false;
    }
    qCInfo(lcPlayer) << "Open" << uri.c_str();
    plan_.Accept(uri, IsLocalFile(uri));
    pipeline_.ClearReceivedPackets();
    pipeline_.ForgetReserve();
    title_.clear();
    reconnectTimer_.stop();
    noMetadataUri_.clear();
    StartOpen(false);
    return true;
}

void CMediaPlayer::StartOpen(bool reconnect) {
    reads_.CancelAll();
    pipeline_.Reset();
    // What the last station's elements held (an HTTP live stream's segment list may have taken
    // a lot) goes back to the system, not only to the allocator, which would keep it.
    malloc_trim(0);
    plan_.Begin(reconnect, Now());
    pipeline_.ExpectErrors(reconnect);
    watchTimer_.start();
    // The first read or stream attempt starts at once, so that a station connects while the
    // interface is still busy (with the radio window being built at start-up); both report
    // later, by signals. Whatever else comes next is reported only once the open has returned.
    const std::uint64_t open = plan_.Number();
    const OpenPlan::Step step = plan_.Next(Now());
    if (step.action == OpenPlan::Action::Read) {
        ReadPlaylist(step.candidate);
        return;
    }
    if (step.action == OpenPlan::Action::Play) {
        if (!PlayCandidate(step.candidate)) {
            QMetaObject::invokeMethod(
                this, [this, open] { Advance(open); }, Qt::QueuedConnection);
        }
        return;
    }
    QMetaObject::invokeMethod(
        this,
        [this, open, step] {
            if (open == plan_.Number()) {
                Act(step);
            }
        },
        Qt::QueuedConnection);
}

void CMediaPlayer::Advance(std::uint64_t open) {
    if (open == plan_.Number()) {
        Act(plan_.Next(Now()));
    }
}

void CMediaPlayer::Act(const OpenPlan::Step& step) {
    using Action = OpenPlan::Action;
    if (step.action != Action::Read && step.action != Action::Play) {
        pipeline_.Reset();
        watchTimer_.stop();
    }
    switch (step.action) {
    case Action::Read:
        ReadPlaylist(step.candidate);
        break;
    case Action::Play:
        if (!PlayCandidate(step.candidate)) {
            Act(plan_.Next(Now()));
        }
        break;
    case Action::Fail:
        qCInfo(lcPlayer).nospace() << "Open failed: nothing more to try within its bounds (last "
                                   << plan_.Current().uri.c_str() << ")";
        emit OpenFailed();
        break;
    case Action::GiveUp:
        qCInfo(lcPlayer).nospace()
            << "Giving up " << plan_.Current().uri.c_str() << ": dropped " << OpenPlan::kGiveUpDrops
            << " times within " << OpenPlan::kGiveUpWindow.count() / 1000 << " s";
        emit OpenFailed();
        break;
    case Action::Reconnect:
        qCInfo(lcPlayer).nospace() << "Reconnecting in " << step.delay.count() << " ms";
        reconnectTimer_.start(step.delay);
        break;
    case Action::Finish:
        break;
    }
}

void CMediaPlayer::ReadPlaylist(const OpenPlan::Candidate& candidate) {
    qCInfo(lcPlayer) << "Reading" << candidate.uri.c_str() << "at depth" << candidate.depth;
    const auto budget =
        std::chrono::duration_cast<std::chrono::milliseconds>(plan_.Deadline() - Now());
    const std::uint64_t open = plan_.Number();
    reads_.Run<ReadResult>(
        this,
        [uri = candidate.uri, budget](std::stop_token stop) {
            // The playlist is parsed here too: the parser works through a temporary file. A read
            // that has been cancelled parses nothing.
            const ProbeResult probe = ProbeAddress(uri, budget.count(), stop);
            ReadResult result;
            result.playlist = probe.kind.kind == AddressKind::Playlist;
            if (result.playlist && !stop.stop_requested()) {
                result.entries =
                    PlaylistEntries(probe.body, probe.kind.format, probe.effectiveAddress);
            }
            return result;
        },
        [this, open, candidate](ReadResult result) { PlaylistRead(open, candidate, result); });
}

void CMediaPlayer::PlaylistRead(std::uint64_t open, const OpenPlan::Candidate& candidate,
                                const ReadResult& result) {
    if (open != plan_.Number()) {
        return;
    }
    if (result.playlist) {
        qCInfo(lcPlayer) << candidate.uri.c_str() << "is a playlist of" << result.entries.size()
                         << "entries";
    } else {
        qCInfo(lcPlayer) << candidate.uri.c_str() << "is a stream";
    }
    plan_.PlaylistRead(candidate, result.playlist, result.entries);
    Advance(open);
}

bool CMediaPlayer::PlayCandidate(const OpenPlan::Candidate& candidate) {
    qCInfo(lcPlayer) << "Trying" << candidate.uri.c_str();
    if (!pipeline_.Play(candidate.uri, candidate.uri != noMetadataUri_)) {
        qCInfo(lcPlayer) << "The pipeline refused" << candidate.uri.c_str();
        return false;
    }
    plan_.Started(Now());
    return true;
}

void CMediaPlayer::AttemptFailed(bool notMedia, const char* why) {
    qCInfo(lcPlayer).nospace() << "Attempt at " << plan_.Current().uri.c_str()
                               << " failed: " << why;
    pipeline_.Reset();
    plan_.AttemptFailed(notMedia);
    Act(plan_.Next(Now()));
}

void CMediaPlayer::StreamDropped(const char* why) {
    qCInfo(lcPlayer).nospace() << "Dropped " << plan_.Current().uri.c_str() << ": " << why;
    pipeline_.Reset();
    watchTimer_.stop();
    plan_.Dropped(Now());
    const std::uint64_t open = plan_.Number();
    emit Dropped();
    // The radio side may have opened another address or stopped in answer.
    if (open == plan_.Number()) {
        Act(plan_.AfterDrop(Now()));
    }
}

void CMediaPlayer::Reconnect() {
    if (!plan_.Address().empty()) {
        qCInfo(lcPlayer) << "Reconnecting to" << plan_.Address().c_str();
        StartOpen(true);
    }
}

bool CMediaPlayer::Stop() {
    if (!pipeline_.IsReady()) {
        return false;
    }
    reconnectTimer_.stop();
    watchTimer_.stop();
    reads_.CancelAll();
    plan_.Stop();
    return pipeline_.Stop();
}

void CMediaPlayer::Watch() {
    using Verdict = OpenPlan::Verdict;
    switch (plan_.Watch(Now(), pipeline_.Progress(), pipeline_.AudioDecoded())) {
    case Verdict::None:
        if (plan_.CurrentPhase() == OpenPlan::Phase::Idle) {
            watchTimer_.stop();
        }
        break;
    case Verdict::Playing:
        qCInfo(lcPlayer) << "Playing" << plan_.Current().uri.c_str();
        break;
    case Verdict::AttemptFailed:
        AttemptFailed(false, "no audio in time");
        break;
    case Verdict::TimedOut:
        qCInfo(lcPlayer) << "The open's time ran out";
        Act(plan_.End(Now()));
        break;
    case Verdict::Stalled:
        StreamDropped("silent");
        break;
    }
}

void CMediaPlayer::MarkPlaying() {
    plan_.MarkPlaying(Now(), pipeline_.Progress());
    qCInfo(lcPlayer) << "Playing" << plan_.Current().uri.c_str();
}

void CMediaPlayer::Ended(bool error, bool notMedia) {
    if (plan_.CurrentPhase() == OpenPlan::Phase::Starting && pipeline_.AudioDecoded()) {
        MarkPlaying();
    }
    const char* why = error ? "error" : "ended";
    if (plan_.CurrentPhase() == OpenPlan::Phase::Playing) {
        StreamDropped(why);
    } else if (plan_.CurrentPhase() == OpenPlan::Phase::Starting) {
        AttemptFailed(notMedia, notMedia ? "not audio" : why);
    }
}

void CMediaPlayer::MetadataTooFrequent() {
    if (!plan_.Attempting()) {
        return;
    }
    qCInfo(lcPlayer) << "Playing" << plan_.Current().uri.c_str()
                     << "again without metadata: its server sends it too often";
    noMetadataUri_ = plan_.Current().uri;
    if (!PlayCandidate(plan_.Current())) {
        AttemptFailed(false, "refused without metadata");
    }
}

void CMediaPlayer::Title(const QString& title) {
    if (title == title_) {
        return;
    }
    title_ = title;
    emit TitleChanged(title);
}

bool CMediaPlayer::SetVolume(int volume) {
    if (!pipeline_.IsReady() || volume < 0 || volume > kMaxVolume) {
        return false;
    }
    pipeline_.SetVolume(static_cast<double>(volume) / kMaxVolume);
    return true;
}

bool CMediaPlayer::SetMute(bool mute) {
    if (!pipeline_.IsReady()) {
        return false;
    }
    pipeline_.SetMute(mute);
    return true;
}

} // namespace sonavia
