#include "components/CMediaPlayer.h"

#include "components/AddressKind.h"
#include "components/AddressProbe.h"
#include "components/PlaylistEntries.h"

#include <gst/gst.h>
#include <memory>

namespace sonavia {

namespace {

// playbin's flags: audio only, volume and mute applied by playbin itself, which works on every
// output, not only on those with a volume control of their own.
constexpr guint kPlayFlagAudio = 0x02;
constexpr guint kPlayFlagSoftVolume = 0x10;
constexpr char kDefaultAudioSink[] = "autoaudiosink";
// A playlist may list another playlist; deeper nesting is not followed.
constexpr int kMaxPlaylistDepth = 2;
// The most streams one open tries, playlist entries included, so that a long or nested
// playlist of dead addresses cannot hold the interface for long.
constexpr int kMaxStreamsPerOpen = 8;
constexpr gint kBufferingComplete = 100;
constexpr char kAdaptiveDemuxerKind[] = "Demuxer/Adaptive";
// What the tests' audio output keeps: a second of audio at most, as mono 32-bit samples.
constexpr guint kAppSinkMaxBuffers = 50;
constexpr char kAppSinkCaps[] = "audio/x-raw,format=F32LE,layout=interleaved,channels=1";

// An address as playbin takes it: a URI; a plain path is a local file.
std::string ToUri(const std::string& address) {
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

GstElement* MakeAudioSink() {
    const QByteArray chosen = qgetenv(CMediaPlayer::kAudioSinkVariable);
    const std::string name = chosen.isEmpty() ? kDefaultAudioSink : chosen.toStdString();
    GstElement* sink = gst_element_factory_make(name.c_str(), nullptr);
    if (sink == nullptr) {
        return nullptr;
    }
    // Test outputs keep the pace of real time, as a sound card would.
    if (name == "fakesink" || name == "appsink") {
        g_object_set(sink, "sync", TRUE, nullptr);
    }
    if (name == "appsink") {
        GstCaps* caps = gst_caps_from_string(kAppSinkCaps);
        g_object_set(sink, "caps", caps, "max-buffers", kAppSinkMaxBuffers, "drop", TRUE, nullptr);
        gst_caps_unref(caps);
    }
    return sink;
}

using MessageRef = std::shared_ptr<GstMessage>;

// Keeps the player's memory small. MP3 is decoded by mpg123 rather than by the general codec
// library, which ranks alike and sorts first. And that library's type finders are hidden: the
// stream type finders of GStreamer itself know every radio format, while the library's are tried
// on most streams and bring some 25 MB of codec libraries into the process.
constexpr char kPreferredMp3Decoder[] = "mpg123audiodec";
constexpr char kCodecLibraryTypeFinderPrefix[] = "avtype_";

void KeepRegistryLean() {
    GstRegistry* registry = gst_registry_get();
    if (GstPluginFeature* decoder = gst_registry_lookup_feature(registry, kPreferredMp3Decoder)) {
        gst_plugin_feature_set_rank(decoder, GST_RANK_PRIMARY);
        gst_object_unref(decoder);
    }
    GList* typeFinders = gst_registry_get_feature_list(registry, GST_TYPE_TYPE_FIND_FACTORY);
    for (GList* item = typeFinders; item != nullptr; item = item->next) {
        auto* feature = GST_PLUGIN_FEATURE(item->data);
        if (g_str_has_prefix(gst_plugin_feature_get_name(feature), kCodecLibraryTypeFinderPrefix)) {
            gst_registry_remove_feature(registry, feature);
        }
    }
    gst_plugin_feature_list_free(typeFinders);
}

} // namespace

struct CMediaPlayer::Callbacks {
    static GstBusSyncReply OnBusMessage(GstBus* /*bus*/, GstMessage* message, gpointer data) {
        auto* player = static_cast<CMediaPlayer*>(data);
        const std::uint64_t generation = player->generation_.load();
        const bool fromPlaybin = GST_MESSAGE_SRC(message) == GST_OBJECT_CAST(player->playbin_);
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR: {
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            // A reply that no decoder takes may be a playlist; a network error is final.
            const bool notMedia =
                error != nullptr &&
                (error->domain == GST_STREAM_ERROR ||
                 g_error_matches(error, GST_CORE_ERROR, GST_CORE_ERROR_MISSING_PLUGIN));
            g_clear_error(&error);
            player->RecordOutcome(generation,
                                  notMedia ? OpenOutcome::NotMedia : OpenOutcome::Failed);
            break;
        }
        case GST_MESSAGE_STATE_CHANGED:
            if (!fromPlaybin) {
                return GST_BUS_DROP;
            }
            GstState newState;
            gst_message_parse_state_changed(message, nullptr, &newState, nullptr);
            if (newState >= GST_STATE_PAUSED) {
                player->RecordOutcome(generation, OpenOutcome::Playing);
            }
            break;
        case GST_MESSAGE_BUFFERING:
            break;
        default:
            return GST_BUS_DROP;
        }
        MessageRef held(gst_message_ref(message), gst_message_unref);
        QMetaObject::invokeMethod(
            player, [player, held, generation] { player->HandleMessage(held.get(), generation); },
            Qt::QueuedConnection);
        return GST_BUS_DROP;
    }

    static GstPadProbeReturn OnSourceData(GstPad* /*pad*/, GstPadProbeInfo* info, gpointer data) {
        auto* counter = static_cast<std::atomic<std::uint64_t>*>(data);
        if ((info->type & GST_PAD_PROBE_TYPE_BUFFER_LIST) != 0) {
            counter->fetch_add(gst_buffer_list_length(GST_PAD_PROBE_INFO_BUFFER_LIST(info)));
        } else {
            counter->fetch_add(1);
        }
        return GST_PAD_PROBE_OK;
    }

    static void CountBuffers(GstPad* pad, CMediaPlayer* player) {
        gst_pad_add_probe(pad,
                          static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                       GST_PAD_PROBE_TYPE_BUFFER_LIST),
                          OnSourceData, &player->receivedPackets_, nullptr);
    }

    static void OnSourceSetup(GstElement* /*playbin*/, GstElement* source, gpointer data) {
        if (GstPad* pad = gst_element_get_static_pad(source, "src")) {
            CountBuffers(pad, static_cast<CMediaPlayer*>(data));
            gst_object_unref(pad);
        }
    }

    static void OnDemuxerPad(GstElement* /*demuxer*/, GstPad* pad, gpointer data) {
        if (GST_PAD_IS_SRC(pad)) {
            CountBuffers(pad, static_cast<CMediaPlayer*>(data));
        }
    }

    // An HTTP live stream's source only reads the stream's playlist; its demuxer fetches the
    // media itself, so what the demuxer passes on counts as received too.
    static void OnElementAdded(GstBin* /*playbin*/, GstBin* /*bin*/, GstElement* element,
                               gpointer data) {
        const gchar* kind = gst_element_get_metadata(element, GST_ELEMENT_METADATA_KLASS);
        if (kind != nullptr && g_strrstr(kind, kAdaptiveDemuxerKind) != nullptr) {
            g_signal_connect(element, "pad-added", G_CALLBACK(OnDemuxerPad), data);
        }
    }
};

CMediaPlayer::CMediaPlayer(QObject* parent) : QObject(parent) {}

CMediaPlayer::~CMediaPlayer() {
    if (playbin_ == nullptr) {
        return;
    }
    // Stopping joins GStreamer's threads, so no callback runs after the handler goes.
    gst_element_set_state(playbin_, GST_STATE_NULL);
    if (GstBus* bus = gst_element_get_bus(playbin_)) {
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
    }
    gst_object_unref(playbin_);
}

CMediaPlayer::Setup CMediaPlayer::Create() {
    if (playbin_ != nullptr) {
        return Setup::Ready;
    }
    GError* error = nullptr;
    if (!gst_init_check(nullptr, nullptr, &error)) {
        g_clear_error(&error);
        return Setup::Unavailable;
    }
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    if (playbin == nullptr) {
        return Setup::Unavailable;
    }
    gst_object_ref_sink(playbin);
    KeepRegistryLean();
    GstElement* sink = MakeAudioSink();
    GstBus* bus = gst_element_get_bus(playbin);
    if (sink == nullptr || bus == nullptr) {
        if (sink != nullptr) {
            gst_object_unref(gst_object_ref_sink(sink));
        }
        if (bus != nullptr) {
            gst_object_unref(bus);
        }
        gst_object_unref(playbin);
        return Setup::Incomplete;
    }
    g_object_set(playbin, "flags", kPlayFlagAudio | kPlayFlagSoftVolume, "audio-sink", sink,
                 nullptr);
    g_signal_connect(playbin, "source-setup", G_CALLBACK(Callbacks::OnSourceSetup), this);
    g_signal_connect(playbin, "deep-element-added", G_CALLBACK(Callbacks::OnElementAdded), this);
    gst_bus_set_sync_handler(bus, Callbacks::OnBusMessage, this, nullptr);
    gst_object_unref(bus);
    playbin_ = playbin;
    return Setup::Ready;
}

bool CMediaPlayer::OpenStation(const std::string& address) {
    if (!SetVolume(0)) {
        return false;
    }
    return OpenAddress(address);
}

bool CMediaPlayer::OpenAddress(const std::string& address) {
    if (playbin_ == nullptr || address.empty()) {
        return false;
    }
    const std::string uri = ToUri(address);
    int streamsLeft = kMaxStreamsPerOpen;
    return !uri.empty() && OpenResolved(uri, 0, streamsLeft);
}

bool CMediaPlayer::OpenResolved(const std::string& uri, int depth, int& streamsLeft) {
    // An address named like a playlist is read as one first; any other address goes to the
    // player at once and is read as a playlist only when the player finds no audio in it.
    const bool web = IsWebAddress(uri);
    const bool playlistName = web && HasPlaylistName(uri);
    if (playlistName) {
        if (const auto opened = OpenPlaylist(uri, depth, streamsLeft)) {
            return *opened;
        }
    }
    if (streamsLeft <= 0) {
        return false;
    }
    --streamsLeft;
    const OpenOutcome outcome = PlayUri(uri);
    if (outcome == OpenOutcome::NotMedia && web && !playlistName) {
        return OpenPlaylist(uri, depth, streamsLeft).value_or(false);
    }
    return outcome == OpenOutcome::Playing || outcome == OpenOutcome::Pending;
}

std::optional<bool> CMediaPlayer::OpenPlaylist(const std::string& uri, int depth,
                                               int& streamsLeft) {
    const ProbeResult probe = ProbeAddress(uri);
    if (probe.kind.kind != AddressKind::Playlist) {
        return std::nullopt;
    }
    if (depth >= kMaxPlaylistDepth) {
        return false;
    }
    for (const std::string& entry :
         PlaylistEntries(probe.body, probe.kind.format, probe.effectiveAddress)) {
        if (OpenResolved(entry, depth + 1, streamsLeft)) {
            return true;
        }
    }
    return false;
}

void CMediaPlayer::NewGeneration() {
    std::lock_guard lock(openMutex_);
    ++generation_;
    openOutcome_ = OpenOutcome::Pending;
    buffering_ = false;
    bufferingEndedReported_ = false;
}

void CMediaPlayer::RecordOutcome(std::uint64_t generation, OpenOutcome outcome) {
    std::lock_guard lock(openMutex_);
    if (generation == generation_.load() && openOutcome_ == OpenOutcome::Pending) {
        openOutcome_ = outcome;
        openChanged_.notify_all();
    }
}

CMediaPlayer::OpenOutcome CMediaPlayer::PlayUri(const std::string& uri) {
    gst_element_set_state(playbin_, GST_STATE_NULL);
    NewGeneration();
    receivedPackets_ = 0;
    g_object_set(playbin_, "uri", uri.c_str(), nullptr);
    OpenOutcome outcome = OpenOutcome::Failed;
    const GstStateChangeReturn change = gst_element_set_state(playbin_, GST_STATE_PLAYING);
    live_ = change == GST_STATE_CHANGE_NO_PREROLL;
    if (change != GST_STATE_CHANGE_FAILURE) {
        std::unique_lock lock(openMutex_);
        openChanged_.wait_for(lock, kOpenDecisionTime,
                              [this] { return openOutcome_ != OpenOutcome::Pending; });
        outcome = openOutcome_;
    } else {
        std::lock_guard lock(openMutex_);
        outcome =
            openOutcome_ == OpenOutcome::NotMedia ? OpenOutcome::NotMedia : OpenOutcome::Failed;
    }
    if (outcome == OpenOutcome::Failed || outcome == OpenOutcome::NotMedia) {
        gst_element_set_state(playbin_, GST_STATE_NULL);
        NewGeneration();
    }
    return outcome;
}

bool CMediaPlayer::Stop() {
    if (playbin_ == nullptr) {
        return false;
    }
    const bool stopped =
        gst_element_set_state(playbin_, GST_STATE_NULL) != GST_STATE_CHANGE_FAILURE;
    NewGeneration();
    return stopped;
}

bool CMediaPlayer::SetVolume(int volume) {
    if (playbin_ == nullptr || volume < 0 || volume > kMaxVolume) {
        return false;
    }
    g_object_set(playbin_, "volume", static_cast<gdouble>(volume) / kMaxVolume, nullptr);
    return true;
}

bool CMediaPlayer::SetMute(bool mute) {
    if (playbin_ == nullptr) {
        return false;
    }
    g_object_set(playbin_, "mute", static_cast<gboolean>(mute), nullptr);
    return true;
}

void CMediaPlayer::HandleMessage(GstMessage* message, std::uint64_t generation) {
    if (generation != generation_.load()) {
        return;
    }
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_BUFFERING: {
        gint percent = 0;
        gst_message_parse_buffering(message, &percent);
        // Playback holds while the buffer fills, so that a stream arriving no faster than it
        // plays still gets its reserve; a live source cannot hold and is left playing.
        if (percent < kBufferingComplete && !buffering_) {
            buffering_ = true;
            if (!live_) {
                gst_element_set_state(playbin_, GST_STATE_PAUSED);
            }
            ReportBuffering(true);
        } else if (percent >= kBufferingComplete && buffering_) {
            buffering_ = false;
            if (!live_) {
                gst_element_set_state(playbin_, GST_STATE_PLAYING);
            }
            ReportBuffering(false);
        }
        break;
    }
    case GST_MESSAGE_STATE_CHANGED: {
        // A source that does not buffer (a local file) has ended buffering once it plays.
        GstState newState;
        gst_message_parse_state_changed(message, nullptr, &newState, nullptr);
        if (newState == GST_STATE_PLAYING && !buffering_ && !bufferingEndedReported_) {
            ReportBuffering(false);
        }
        break;
    }
    case GST_MESSAGE_ERROR:
        // A stream that fails after it was accepted is stopped; it releases its connection.
        gst_element_set_state(playbin_, GST_STATE_NULL);
        NewGeneration();
        break;
    default:
        break;
    }
}

void CMediaPlayer::ReportBuffering(bool started) {
    if (!started) {
        bufferingEndedReported_ = true;
    }
    emit Buffering(started);
}

} // namespace sonavia
