#include "player/CMediaPlayer.h"

#include "player/AddressKind.h"
#include "player/AddressProbe.h"
#include "player/PlaylistEntries.h"

#include <QByteArray>
#include <algorithm>
#include <condition_variable>
#include <gst/audio/gstaudiobasesink.h>
#include <gst/gst.h>
#include <malloc.h>
#include <mutex>
#include <thread>

namespace sonavia {

namespace {

// playbin's flags: audio only. The volume and the mute are the player's own volume element,
// just ahead of the output, not playbin's: playbin hands its volume to an output that has a
// stream volume of its own (a PulseAudio or PipeWire stream), and that volume dies with the
// output's stream at every stop, so the next station would start at the sound server's default.
// (As playbin's audio filter, the element would sit ahead of a second of queued audio, and a
// change of volume would be heard that much later.)
constexpr guint kPlayFlagAudio = 0x02;
constexpr char kDefaultAudioSink[] = "autoaudiosink";
// A playlist may list another playlist; deeper nesting is not followed.
constexpr int kMaxPlaylistDepth = 2;
// The most streams and playlist downloads that one open tries, so that a long or nested
// playlist of dead addresses ends soon.
constexpr int kMaxStreamsPerOpen = 8;
constexpr int kMaxDownloadsPerOpen = 8;
// How long a player that goes waits for its cancelled playlist reads (a cancelled download ends
// at its next progress report, about once a second at the slowest) before it leaves them behind.
constexpr std::chrono::milliseconds kReadEndTime{1000};
// How often the attempt under way is checked for audio and for data.
constexpr std::chrono::milliseconds kWatchInterval{200};
// Reconnection: every quarter second while the drop is recent (a server restarting comes back in
// seconds, and its listeners should hear it soon after), then with a back-off that doubles up to
// its cap.
constexpr std::chrono::milliseconds kQuickReconnectDelay{250};
constexpr std::chrono::seconds kQuickReconnectPeriod{30};
constexpr std::chrono::milliseconds kSlowReconnectDelay{2000};
constexpr std::chrono::milliseconds kMaxReconnectDelay{10000};
// The schemes an open accepts: the web, local files and the streaming protocols that the
// installed GStreamer serves.
constexpr const char* kAllowedSchemes[] = {"http", "https", "file", "rtsp", "mms", "mmsh"};
constexpr gint kBufferingComplete = 100;
// How often a buffered stream's reserve is looked at while it is held, and while it plays: well
// within kLowReserve and what the output itself holds (a fifth of a second), so that a pause
// comes before a gap.
constexpr std::chrono::milliseconds kHeldCheckInterval{20};
constexpr std::chrono::milliseconds kPlayingCheckInterval{100};
// The stream's rate of bytes to audio is taken as known once this much has been decoded.
constexpr std::uint64_t kRateSampleNs = 200'000'000;
// The network queue holds what the largest reserve needs beyond what the decoded audio queue
// before the output holds (a second).
constexpr std::chrono::milliseconds kNetworkQueueTime{5000};
constexpr char kAdaptiveDemuxerKind[] = "Demuxer/Adaptive";
// The largest playlist an HTTP live stream may start with. The demuxer keeps every segment it
// lists, at about a kilobyte each, for as long as the stream plays: a list of a hundred thousand
// takes a hundred megabytes and more. A live radio lists a few segments, a recording of a day
// some thousands.
constexpr std::uint64_t kMaxLiveListBytes = 512 * 1024;
constexpr std::uint64_t kMaxLiveListLines = 10000;
// A server that interleaves metadata more often than this (bytes of audio between them) breaks
// the audio into pieces too small to be worth the work: its stream plays without metadata.
constexpr gint kMinMetadataInterval = 256;
constexpr char kMetadataCaps[] = "application/x-icy";
constexpr char kMetadataIntervalField[] = "metadata-interval";
constexpr char kMetadataModeProperty[] = "iradio-mode";
constexpr char kDecoderKind[] = "Decoder";
// A sound card's or sound server's output takes audio in pieces of this length (µs): longer than
// the usual 10 ms, so that its thread wakes a quarter as often; a radio does not need the
// shorter delay.
constexpr char kOutputPeriodProperty[] = "latency-time";
constexpr gint64 kOutputPeriodUs = 40000;
constexpr char kAudioKind[] = "Audio";
// What the tests' audio output keeps: a second of audio at most, as mono 32-bit samples.
constexpr guint kAppSinkMaxBuffers = 50;
constexpr char kAppSinkCaps[] = "audio/x-raw,format=F32LE,layout=interleaved,channels=1";

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

// An element name, or a pipeline description whose unlinked sink pad becomes the output's.
GstElement* MakeAudioSink() {
    const QByteArray chosen = qgetenv(CMediaPlayer::kAudioSinkVariable).trimmed();
    const std::string name = chosen.isEmpty() ? kDefaultAudioSink : chosen.toStdString();
    if (name.find_first_of("! \t=") != std::string::npos) {
        GError* error = nullptr;
        GstElement* bin = gst_parse_bin_from_description(name.c_str(), TRUE, &error);
        if (error != nullptr) {
            g_clear_error(&error);
            if (bin != nullptr) {
                gst_object_unref(gst_object_ref_sink(bin));
            }
            return nullptr;
        }
        return bin;
    }
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

// The output with the player's volume element ahead of it, in a bin whose sink pad is the
// element's; `volume` and `output` are the two elements, owned by the bin. Null when either
// cannot be made.
GstElement* MakeAudioSinkWithVolume(GstElement*& volume, GstElement*& output) {
    GstElement* sink = MakeAudioSink();
    output = sink;
    volume = gst_element_factory_make("volume", nullptr);
    GstElement* bin = gst_bin_new(nullptr);
    if (sink == nullptr || volume == nullptr) {
        for (GstElement* made : {sink, volume, bin}) {
            if (made != nullptr) {
                gst_object_unref(gst_object_ref_sink(made));
            }
        }
        volume = nullptr;
        return nullptr;
    }
    gst_bin_add_many(GST_BIN(bin), volume, sink, nullptr);
    GstPad* input = gst_element_get_static_pad(volume, "sink");
    const bool ready = gst_element_link(volume, sink) &&
                       gst_element_add_pad(bin, gst_ghost_pad_new("sink", input));
    gst_object_unref(input);
    if (!ready) {
        gst_object_unref(gst_object_ref_sink(bin));
        volume = nullptr;
        return nullptr;
    }
    return bin;
}

using MessageRef = std::shared_ptr<GstMessage>;

bool IsLocalFile(const std::string& uri) {
    return g_str_has_prefix(uri.c_str(), "file:");
}

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

// A playlist read on a thread of its own. The thread holds the task and hands its result to the
// player only while the player is there: a player that goes waits a moment for its reads and
// then leaves the rest behind, so that no read holds up the program's end.
struct CMediaPlayer::ProbeTask {
    std::atomic<bool> cancelled{false};
    std::mutex mutex;
    std::condition_variable ended;
    bool done = false;
    CMediaPlayer* player = nullptr;

    // Runs `report` with the player, if it is still there, and marks the read done.
    template <typename Report> void Finish(Report report) {
        const std::lock_guard lock(mutex);
        if (player != nullptr) {
            report(player);
        }
        done = true;
        ended.notify_all();
    }
};

struct CMediaPlayer::Callbacks {
    // A sync handler that drops a message owns it: every message is released here, or by the
    // interface thread for those handed on. (A message that is never released keeps its source
    // element, and with it that attempt's whole chain of elements, alive.)
    static GstBusSyncReply OnBusMessage(GstBus* /*bus*/, GstMessage* message, gpointer data) {
        MessageRef owned(message, gst_message_unref);
        auto* player = static_cast<CMediaPlayer*>(data);
        const std::uint64_t generation = player->generation_.load();
        const bool fromPlaybin = GST_MESSAGE_SRC(message) == GST_OBJECT_CAST(player->playbin_);
        std::uint64_t sequence = 0;
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR:
            break;
        case GST_MESSAGE_EOS:
        case GST_MESSAGE_STATE_CHANGED:
        case GST_MESSAGE_ASYNC_DONE:
            if (!fromPlaybin) {
                return GST_BUS_DROP;
            }
            break;
        case GST_MESSAGE_BUFFERING: {
            gint percent = 0;
            gst_message_parse_buffering(message, &percent);
            // While a stream plays on its reserve, only a change of the network queue's
            // fullness matters to the player; the many reports between are not worth a trip
            // to the interface thread.
            const int full = percent >= kBufferingComplete ? 1 : 0;
            if (player->queueFullReported_.exchange(full) == full &&
                !player->allBufferingReports_.load()) {
                return GST_BUS_DROP;
            }
            sequence = ++player->bufferingSequence_;
            break;
        }
        case GST_MESSAGE_TAG: {
            GstTagList* tags = nullptr;
            gst_message_parse_tag(message, &tags);
            gchar* title = nullptr;
            if (gst_tag_list_get_string(tags, GST_TAG_TITLE, &title)) {
                QString text = QString::fromUtf8(title);
                QMetaObject::invokeMethod(
                    player, [player, text, generation] { player->HandleTitle(text, generation); },
                    Qt::QueuedConnection);
            }
            g_free(title);
            gst_tag_list_unref(tags);
            return GST_BUS_DROP;
        }
        default:
            return GST_BUS_DROP;
        }
        QMetaObject::invokeMethod(
            player,
            [player, held = std::move(owned), generation, sequence] {
                player->HandleMessage(held.get(), generation, sequence);
            },
            Qt::QueuedConnection);
        return GST_BUS_DROP;
    }

    // What a probe saw: buffers, their bytes and their audio's duration.
    struct Seen {
        std::uint64_t buffers = 0;
        std::uint64_t bytes = 0;
        std::uint64_t ns = 0;
    };

    static Seen SeenIn(GstPadProbeInfo* info) {
        Seen seen;
        const auto add = [&seen](GstBuffer* buffer) {
            ++seen.buffers;
            seen.bytes += gst_buffer_get_size(buffer);
            if (GST_BUFFER_DURATION_IS_VALID(buffer)) {
                seen.ns += GST_BUFFER_DURATION(buffer);
            }
        };
        if ((info->type & GST_PAD_PROBE_TYPE_BUFFER_LIST) != 0) {
            GstBufferList* list = GST_PAD_PROBE_INFO_BUFFER_LIST(info);
            for (guint i = 0; i < gst_buffer_list_length(list); ++i) {
                add(gst_buffer_list_get(list, i));
            }
        } else if ((info->type & GST_PAD_PROBE_TYPE_BUFFER) != 0) {
            add(GST_PAD_PROBE_INFO_BUFFER(info));
        }
        return seen;
    }

    static void Watch(GstPad* pad, GstPadProbeCallback callback, gpointer player,
                      bool events = false) {
        const auto types =
            GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST |
            (events ? GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM : GST_PAD_PROBE_TYPE_INVALID);
        gst_pad_add_probe(pad, static_cast<GstPadProbeType>(types), callback, player, nullptr);
    }

    // The stream as it arrives from the network (or a file), and its end.
    static GstPadProbeReturn OnReceived(GstPad* /*pad*/, GstPadProbeInfo* info, gpointer data) {
        auto* player = static_cast<CMediaPlayer*>(data);
        if ((info->type & GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM) != 0) {
            GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
            if (GST_EVENT_TYPE(event) == GST_EVENT_EOS) {
                player->flow_.sourceEnded = true;
            } else if (GST_EVENT_TYPE(event) == GST_EVENT_CAPS) {
                CheckMetadataInterval(event, player);
            }
            return GST_PAD_PROBE_OK;
        }
        const Seen seen = SeenIn(info);
        player->receivedPackets_.fetch_add(seen.buffers);
        player->flow_.receivedBytes.fetch_add(seen.bytes);
        return GST_PAD_PROBE_OK;
    }

    // Has the interface thread play the attempt again without metadata when the server sends it
    // too often.
    static void CheckMetadataInterval(GstEvent* event, CMediaPlayer* player) {
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        const GstStructure* format = caps != nullptr ? gst_caps_get_structure(caps, 0) : nullptr;
        gint interval = 0;
        if (format == nullptr || !gst_structure_has_name(format, kMetadataCaps) ||
            !gst_structure_get_int(format, kMetadataIntervalField, &interval) ||
            interval >= kMinMetadataInterval || player->flow_.metadataRefused.exchange(true)) {
            return;
        }
        const std::uint64_t generation = player->generation_.load();
        QMetaObject::invokeMethod(
            player, [player, generation] { player->MetadataTooFrequent(generation); },
            Qt::QueuedConnection);
    }

    // An HTTP live stream's first playlist, on its way into the demuxer: one too long to keep
    // fails the attempt before the demuxer reads it.
    static GstPadProbeReturn OnLiveList(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
        auto* player = static_cast<CMediaPlayer*>(data);
        Flow& flow = player->flow_;
        if (flow.liveListRefused.load()) {
            return GST_PAD_PROBE_DROP;
        }
        std::uint64_t lines = 0;
        const auto count = [&lines](GstBuffer* buffer) {
            GstMapInfo map;
            if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
                lines += std::count(map.data, map.data + map.size, '\n');
                gst_buffer_unmap(buffer, &map);
            }
        };
        if ((info->type & GST_PAD_PROBE_TYPE_BUFFER_LIST) != 0) {
            GstBufferList* list = GST_PAD_PROBE_INFO_BUFFER_LIST(info);
            for (guint i = 0; i < gst_buffer_list_length(list); ++i) {
                count(gst_buffer_list_get(list, i));
            }
        } else {
            count(GST_PAD_PROBE_INFO_BUFFER(info));
        }
        const std::uint64_t bytes = flow.liveListBytes += SeenIn(info).bytes;
        lines = flow.liveListLines += lines;
        if (bytes <= kMaxLiveListBytes && lines <= kMaxLiveListLines) {
            return GST_PAD_PROBE_OK;
        }
        flow.liveListRefused = true;
        if (GstElement* demuxer = gst_pad_get_parent_element(pad)) {
            GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_FAILED,
                                                "The stream's playlist is too long");
            gst_element_post_message(
                demuxer, gst_message_new_error(GST_OBJECT_CAST(demuxer), error, nullptr));
            g_error_free(error);
            gst_object_unref(demuxer);
        }
        return GST_PAD_PROBE_DROP;
    }

    static GstPadProbeReturn OnDecoderInput(GstPad* /*pad*/, GstPadProbeInfo* info, gpointer data) {
        static_cast<CMediaPlayer*>(data)->flow_.decoderBytes.fetch_add(SeenIn(info).bytes);
        return GST_PAD_PROBE_OK;
    }

    static GstPadProbeReturn OnDecoded(GstPad* /*pad*/, GstPadProbeInfo* info, gpointer data) {
        static_cast<CMediaPlayer*>(data)->flow_.decodedNs.fetch_add(SeenIn(info).ns);
        return GST_PAD_PROBE_OK;
    }

    static GstPadProbeReturn OnOutput(GstPad* /*pad*/, GstPadProbeInfo* info, gpointer data) {
        auto* player = static_cast<CMediaPlayer*>(data);
        const Seen seen = SeenIn(info);
        player->decodedBuffers_.fetch_add(seen.buffers);
        player->flow_.outputNs.fetch_add(seen.ns);
        return GST_PAD_PROBE_OK;
    }

    static void OnSourceSetup(GstElement* /*playbin*/, GstElement* source, gpointer data) {
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(source), kMetadataModeProperty) !=
            nullptr) {
            g_object_set(source, kMetadataModeProperty,
                         static_cast<gboolean>(static_cast<CMediaPlayer*>(data)->metadataWanted_),
                         nullptr);
        }
        if (GstPad* pad = gst_element_get_static_pad(source, "src")) {
            Watch(pad, OnReceived, data, true);
            gst_object_unref(pad);
        }
    }

    static void OnDemuxerPad(GstElement* /*demuxer*/, GstPad* pad, gpointer data) {
        if (GST_PAD_IS_SRC(pad)) {
            Watch(pad, OnReceived, data, true);
        }
    }

    // An HTTP live stream's source only reads the stream's playlist; its demuxer fetches the
    // media itself, so what the demuxer passes on counts as received too. An audio decoder's
    // input and output give the stream's rate of bytes to audio and what is decoded ahead. An
    // output to a sound card or sound server is told the length of the pieces it takes.
    static void OnElementAdded(GstBin* /*playbin*/, GstBin* /*bin*/, GstElement* element,
                               gpointer data) {
        const gchar* kind = gst_element_get_metadata(element, GST_ELEMENT_METADATA_KLASS);
        if (kind == nullptr) {
            return;
        }
        if (GST_IS_AUDIO_BASE_SINK(element)) {
            g_object_set(element, kOutputPeriodProperty, kOutputPeriodUs, nullptr);
            return;
        }
        if (g_strrstr(kind, kAdaptiveDemuxerKind) != nullptr) {
            g_signal_connect(element, "pad-added", G_CALLBACK(OnDemuxerPad), data);
            if (GstPad* input = gst_element_get_static_pad(element, "sink")) {
                Watch(input, OnLiveList, data);
                gst_object_unref(input);
            }
        } else if (g_strrstr(kind, kDecoderKind) != nullptr &&
                   g_strrstr(kind, kAudioKind) != nullptr) {
            if (GstPad* input = gst_element_get_static_pad(element, "sink")) {
                Watch(input, OnDecoderInput, data);
                gst_object_unref(input);
            }
            if (GstPad* output = gst_element_get_static_pad(element, "src")) {
                Watch(output, OnDecoded, data);
                gst_object_unref(output);
            }
        }
    }
};

void CMediaPlayer::Flow::Reset() {
    receivedBytes = 0;
    decoderBytes = 0;
    decodedNs = 0;
    outputNs = 0;
    sourceEnded = false;
    metadataRefused = false;
    liveListBytes = 0;
    liveListLines = 0;
    liveListRefused = false;
}

CMediaPlayer::CMediaPlayer(QObject* parent) : PlayerEngine(parent) {
    watchTimer_.setInterval(kWatchInterval);
    connect(&watchTimer_, &QTimer::timeout, this, &CMediaPlayer::Watch);
    reconnectTimer_.setSingleShot(true);
    connect(&reconnectTimer_, &QTimer::timeout, this, &CMediaPlayer::Reconnect);
    connect(&reserveTimer_, &QTimer::timeout, this, &CMediaPlayer::CheckReserve);
}

CMediaPlayer::~CMediaPlayer() {
    // The reading threads and GStreamer's threads end before the object goes, so no report
    // reaches it afterwards; reports already queued go with it.
    CancelReads();
    const auto deadline = Clock::now() + kReadEndTime;
    for (const auto& task : reads_) {
        std::unique_lock lock(task->mutex);
        task->ended.wait_until(lock, deadline, [&task] { return task->done; });
        task->player = nullptr;
    }
    if (playbin_ == nullptr) {
        return;
    }
    gst_element_set_state(playbin_, GST_STATE_NULL);
    if (GstBus* bus = gst_element_get_bus(playbin_)) {
        gst_bus_set_sync_handler(bus, nullptr, nullptr, nullptr);
        gst_object_unref(bus);
    }
    gst_object_unref(playbin_);
    gst_object_unref(volume_);
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
    GstElement* volume = nullptr;
    GstElement* output = nullptr;
    GstElement* sink = MakeAudioSinkWithVolume(volume, output);
    GstBus* bus = gst_element_get_bus(playbin);
    GstPad* sinkPad = sink != nullptr ? gst_element_get_static_pad(sink, "sink") : nullptr;
    if (sink == nullptr || bus == nullptr || sinkPad == nullptr) {
        if (sinkPad != nullptr) {
            gst_object_unref(sinkPad);
        }
        if (sink != nullptr) {
            gst_object_unref(gst_object_ref_sink(sink));
        }
        if (bus != nullptr) {
            gst_object_unref(bus);
        }
        gst_object_unref(playbin);
        return Setup::Incomplete;
    }
    Callbacks::Watch(sinkPad, Callbacks::OnOutput, this);
    gst_object_unref(sinkPad);
    const gint64 networkQueueNs =
        std::chrono::duration_cast<std::chrono::nanoseconds>(kNetworkQueueTime).count();
    volume_ = GST_ELEMENT(gst_object_ref(volume));
    output_ = output;
    g_object_set(playbin, "flags", kPlayFlagAudio, "audio-sink", sink, "buffer-duration",
                 networkQueueNs, nullptr);
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
    if (playbin_ == nullptr) {
        return false;
    }
    const std::string uri = ToUri(address);
    if (uri.empty() || !Acceptable(uri)) {
        return false;
    }
    meantToPlay_ = uri;
    localSource_ = IsLocalFile(uri);
    receivedPackets_ = 0;
    title_.clear();
    reconnectTimer_.stop();
    reconnectAttempts_ = 0;
    reserveTarget_ = kStartReserve;
    noMetadataUri_.clear();
    StartOpen(uri, false);
    return true;
}

void CMediaPlayer::StartOpen(const std::string& uri, bool reconnect) {
    CancelReads();
    ResetPipeline();
    // What the last station's elements held (an HTTP live stream's segment list may have taken
    // a lot) goes back to the system, not only to the allocator, which would keep it.
    malloc_trim(0);
    ++openNumber_;
    reconnecting_ = reconnect;
    candidates_.clear();
    candidates_.push_back({uri, 0, IsWebAddress(uri) && HasPlaylistName(uri), false});
    downloadsLeft_ = kMaxDownloadsPerOpen;
    streamsLeft_ = kMaxStreamsPerOpen;
    openDeadline_ = Clock::now() + kOpenTimeLimit;
    phase_ = Phase::Reading;
    watchTimer_.start();
    // What happens next is reported by signals, never before the open has returned.
    const std::uint64_t open = openNumber_;
    QMetaObject::invokeMethod(
        this, [this, open] { Advance(open); }, Qt::QueuedConnection);
}

void CMediaPlayer::Advance(std::uint64_t open) {
    if (open != openNumber_) {
        return;
    }
    while (!candidates_.empty() && Clock::now() < openDeadline_) {
        Candidate candidate = std::move(candidates_.front());
        candidates_.pop_front();
        if (candidate.readFirst) {
            // Depth and count are known before the download, so none is wasted.
            if (candidate.depth < kMaxPlaylistDepth && downloadsLeft_ > 0) {
                --downloadsLeft_;
                ReadPlaylist(candidate);
                return;
            }
            continue;
        }
        if (streamsLeft_ > 0) {
            --streamsLeft_;
            if (PlayCandidate(candidate)) {
                return;
            }
        }
    }
    OpenEnded();
}

void CMediaPlayer::ReadPlaylist(const Candidate& candidate) {
    phase_ = Phase::Reading;
    current_ = candidate;
    const auto budget =
        std::chrono::duration_cast<std::chrono::milliseconds>(openDeadline_ - Clock::now());
    auto task = std::make_shared<ProbeTask>();
    task->player = this;
    const std::uint64_t open = openNumber_;
    std::thread([task, open, candidate, budget] {
        // The playlist is parsed here too: the parser works through a temporary file. A read
        // that has been replaced parses nothing.
        const ProbeResult probe = ProbeAddress(candidate.uri, budget.count(), &task->cancelled);
        const bool playlist = probe.kind.kind == AddressKind::Playlist;
        std::vector<std::string> entries;
        if (playlist && !task->cancelled.load()) {
            entries = PlaylistEntries(probe.body, probe.kind.format, probe.effectiveAddress);
        }
        task->Finish([&](CMediaPlayer* player) {
            QMetaObject::invokeMethod(
                player,
                [player, task, open, candidate, playlist, entries] {
                    player->PlaylistRead(task.get(), open, candidate, playlist, entries);
                },
                Qt::QueuedConnection);
        });
    }).detach();
    reads_.push_back(std::move(task));
}

void CMediaPlayer::PlaylistRead(ProbeTask* task, std::uint64_t open, const Candidate& candidate,
                                bool playlist, const std::vector<std::string>& entries) {
    const auto finished = std::find_if(reads_.begin(), reads_.end(),
                                       [task](const auto& held) { return held.get() == task; });
    if (finished != reads_.end()) {
        reads_.erase(finished);
    }
    if (open != openNumber_) {
        return;
    }
    if (playlist) {
        for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
            candidates_.push_front({*entry, candidate.depth + 1,
                                    IsWebAddress(*entry) && HasPlaylistName(*entry), false});
        }
    } else if (!candidate.read) {
        // Not a playlist after all: playbin gets the address itself.
        candidates_.push_front({candidate.uri, candidate.depth, false, true});
    }
    Advance(open);
}

bool CMediaPlayer::PlayCandidate(const Candidate& candidate) {
    ResetPipeline();
    current_ = candidate;
    live_ = false;
    buffered_ = false;
    holding_ = false;
    queueFull_ = false;
    buffering_ = false;
    bufferingEndReported_ = false;
    metadataWanted_ = candidate.uri != noMetadataUri_;
    g_object_set(playbin_, "uri", candidate.uri.c_str(), nullptr);
    // Paused first: playback starts once enough audio is ahead of the output (or at once for a
    // source that does not buffer), from the bus reports about the pipeline as it is now.
    const GstStateChangeReturn change = gst_element_set_state(playbin_, GST_STATE_PAUSED);
    if (change == GST_STATE_CHANGE_FAILURE) {
        ResetPipeline();
        return false;
    }
    phase_ = Phase::Starting;
    attemptStart_ = Clock::now();
    if (change == GST_STATE_CHANGE_NO_PREROLL) {
        // A live source cannot hold while it buffers.
        live_ = true;
        gst_element_set_state(playbin_, GST_STATE_PLAYING);
    } else if (change == GST_STATE_CHANGE_SUCCESS) {
        RequestPlaying();
    }
    return true;
}

void CMediaPlayer::MetadataTooFrequent(std::uint64_t generation) {
    if (generation != generation_.load() ||
        (phase_ != Phase::Starting && phase_ != Phase::Playing)) {
        return;
    }
    noMetadataUri_ = current_.uri;
    if (!PlayCandidate(current_)) {
        AttemptFailed(false);
    }
}

void CMediaPlayer::AttemptFailed(bool notMedia) {
    ResetPipeline();
    // A reply that no decoder takes may be a playlist without a playlist's name.
    if (notMedia && !current_.read && IsWebAddress(current_.uri)) {
        candidates_.push_front({current_.uri, current_.depth, true, true});
    }
    Advance(openNumber_);
}

void CMediaPlayer::OpenEnded() {
    ResetPipeline();
    phase_ = Phase::Idle;
    watchTimer_.stop();
    if (reconnecting_) {
        ScheduleReconnect();
        return;
    }
    meantToPlay_.clear();
    emit OpenFailed();
}

void CMediaPlayer::StreamDropped() {
    ResetPipeline();
    ++openNumber_;
    phase_ = Phase::Idle;
    watchTimer_.stop();
    droppedAt_ = Clock::now();
    reconnectAttempts_ = 0;
    const std::uint64_t open = openNumber_;
    emit Dropped();
    // The radio side may have opened another address or stopped in answer.
    if (open != openNumber_) {
        return;
    }
    // A local file that ends has been played to its end.
    if (localSource_) {
        meantToPlay_.clear();
        return;
    }
    ScheduleReconnect();
}

void CMediaPlayer::ScheduleReconnect() {
    if (meantToPlay_.empty()) {
        return;
    }
    using std::chrono::milliseconds;
    milliseconds delay = kQuickReconnectDelay;
    if (Clock::now() - droppedAt_ >= kQuickReconnectPeriod) {
        const int doublings = std::min(reconnectAttempts_, 8);
        delay = std::min(kMaxReconnectDelay, kSlowReconnectDelay * (1 << doublings));
    }
    ++reconnectAttempts_;
    reconnectTimer_.start(delay);
}

void CMediaPlayer::Reconnect() {
    if (!meantToPlay_.empty()) {
        StartOpen(meantToPlay_, true);
    }
}

bool CMediaPlayer::Stop() {
    if (playbin_ == nullptr) {
        return false;
    }
    meantToPlay_.clear();
    reconnectTimer_.stop();
    watchTimer_.stop();
    reserveTimer_.stop();
    CancelReads();
    ++openNumber_;
    phase_ = Phase::Idle;
    const bool stopped =
        gst_element_set_state(playbin_, GST_STATE_NULL) != GST_STATE_CHANGE_FAILURE;
    ++generation_;
    return stopped;
}

void CMediaPlayer::ResetPipeline() {
    // Stopping joins GStreamer's threads: what they report afterwards is of the next attempt.
    gst_element_set_state(playbin_, GST_STATE_NULL);
    ++generation_;
    decodedBuffers_ = 0;
    flow_.Reset();
    queueFullReported_ = -1;
    allBufferingReports_ = true;
    reserveTimer_.stop();
}

void CMediaPlayer::CancelReads() {
    for (const auto& task : reads_) {
        task->cancelled = true;
    }
}

void CMediaPlayer::Watch() {
    const auto now = Clock::now();
    switch (phase_) {
    case Phase::Idle:
        watchTimer_.stop();
        break;
    case Phase::Reading:
        // A download ends by its own time limit, which is the open's.
        break;
    case Phase::Starting:
        if (decodedBuffers_.load() > 0) {
            MarkPlaying();
        } else if (now >= openDeadline_) {
            candidates_.clear();
            OpenEnded();
        } else if (now - attemptStart_ >= kFirstAudioTime) {
            AttemptFailed(false);
        }
        break;
    case Phase::Playing: {
        const std::uint64_t mark = receivedPackets_.load() + decodedBuffers_.load();
        if (mark != progressMark_) {
            progressMark_ = mark;
            lastProgress_ = now;
        } else if (now - lastProgress_ >= kStallTime) {
            StreamDropped();
        }
        break;
    }
    }
}

void CMediaPlayer::MarkPlaying() {
    phase_ = Phase::Playing;
    reconnectAttempts_ = 0;
    candidates_.clear();
    ++openNumber_;
    progressMark_ = receivedPackets_.load() + decodedBuffers_.load();
    lastProgress_ = Clock::now();
}

void CMediaPlayer::RequestPlaying() {
    if (live_) {
        gst_element_set_state(playbin_, GST_STATE_PLAYING);
        return;
    }
    // Only a pipeline that has settled in paused is asked to play; one still changing state
    // reports when it is done, and is asked then.
    GstState state = GST_STATE_VOID_PENDING;
    GstState pending = GST_STATE_VOID_PENDING;
    const GstStateChangeReturn now = gst_element_get_state(playbin_, &state, &pending, 0);
    if (now != GST_STATE_CHANGE_ASYNC && now != GST_STATE_CHANGE_FAILURE &&
        state == GST_STATE_PAUSED) {
        gst_element_set_state(playbin_, GST_STATE_PLAYING);
    }
}

void CMediaPlayer::ReportBufferingEnded() {
    bufferingEndReported_ = true;
    emit Buffering(false);
}

std::optional<std::chrono::nanoseconds> CMediaPlayer::Reserve() const {
    const std::uint64_t decodedNs = flow_.decodedNs.load();
    const std::uint64_t decoderBytes = flow_.decoderBytes.load();
    if (decoderBytes == 0 || decodedNs < kRateSampleNs) {
        return std::nullopt;
    }
    const std::uint64_t receivedBytes = flow_.receivedBytes.load();
    const std::uint64_t outputNs = flow_.outputNs.load();
    const double nsPerByte = static_cast<double>(decodedNs) / static_cast<double>(decoderBytes);
    const double undecodedNs = receivedBytes > decoderBytes
                                   ? static_cast<double>(receivedBytes - decoderBytes) * nsPerByte
                                   : 0.0;
    const double decodedAheadNs =
        decodedNs > outputNs ? static_cast<double>(decodedNs - outputNs) : 0.0;
    return std::chrono::nanoseconds(static_cast<std::int64_t>(undecodedNs + decodedAheadNs));
}

void CMediaPlayer::CheckReserve() {
    if (!buffered_ || live_ || (phase_ != Phase::Starting && phase_ != Phase::Playing)) {
        return;
    }
    const std::optional<std::chrono::nanoseconds> reserve = Reserve();
    // A source that has delivered all it will plays out what is left.
    const bool ended = flow_.sourceEnded.load();
    if (holding_) {
        if (ended || (reserve ? *reserve >= reserveTarget_ : queueFull_)) {
            holding_ = false;
            allBufferingReports_ = false;
            reserveTimer_.setInterval(kPlayingCheckInterval);
            RequestPlaying();
        }
        return;
    }
    if (ended || GST_STATE_TARGET(playbin_) != GST_STATE_PLAYING ||
        (reserve ? *reserve >= kLowReserve : queueFull_)) {
        return;
    }
    // The link delivers more unevenly than the reserve covers: wait for more from now on.
    reserveTarget_ = std::min(kMaxReserve, reserveTarget_ * 2);
    gst_element_set_state(playbin_, GST_STATE_PAUSED);
    Hold();
}

bool CMediaPlayer::Hold() {
    holding_ = true;
    allBufferingReports_ = true;
    reserveTimer_.setInterval(kHeldCheckInterval);
    if (buffering_) {
        return true;
    }
    buffering_ = true;
    bufferingEndReported_ = false;
    const std::uint64_t generation = generation_.load();
    emit Buffering(true);
    // The radio side may have opened another address or stopped in answer.
    return generation == generation_.load();
}

bool CMediaPlayer::SetVolume(int volume) {
    if (playbin_ == nullptr || volume < 0 || volume > kMaxVolume) {
        return false;
    }
    g_object_set(volume_, "volume", static_cast<gdouble>(volume) / kMaxVolume, nullptr);
    return true;
}

bool CMediaPlayer::SetMute(bool mute) {
    if (playbin_ == nullptr) {
        return false;
    }
    g_object_set(volume_, "mute", static_cast<gboolean>(mute), nullptr);
    return true;
}

void CMediaPlayer::HandleMessage(GstMessage* message, std::uint64_t generation,
                                 std::uint64_t sequence) {
    if (generation != generation_.load() ||
        (phase_ != Phase::Starting && phase_ != Phase::Playing)) {
        return;
    }
    if (phase_ == Phase::Starting && decodedBuffers_.load() > 0) {
        MarkPlaying();
    }
    switch (GST_MESSAGE_TYPE(message)) {
    case GST_MESSAGE_ERROR:
    case GST_MESSAGE_EOS: {
        bool notMedia = false;
        if (GST_MESSAGE_TYPE(message) == GST_MESSAGE_ERROR) {
            GError* error = nullptr;
            gst_message_parse_error(message, &error, nullptr);
            notMedia = error != nullptr &&
                       (error->domain == GST_STREAM_ERROR ||
                        g_error_matches(error, GST_CORE_ERROR, GST_CORE_ERROR_MISSING_PLUGIN));
            g_clear_error(&error);
        }
        if (phase_ == Phase::Playing) {
            StreamDropped();
        } else {
            AttemptFailed(notMedia);
        }
        break;
    }
    case GST_MESSAGE_BUFFERING: {
        // A newer report is on its way: it describes the buffer as it is now.
        if (sequence != bufferingSequence_.load()) {
            break;
        }
        gint percent = 0;
        gst_message_parse_buffering(message, &percent);
        queueFull_ = percent >= kBufferingComplete;
        if (live_) {
            // A live source cannot hold: its buffering is only reported.
            if (queueFull_ == buffering_) {
                buffering_ = !queueFull_;
                if (buffering_) {
                    bufferingEndReported_ = false;
                    emit Buffering(true);
                } else {
                    ReportBufferingEnded();
                }
            }
            break;
        }
        if (!buffered_) {
            buffered_ = true;
            reserveTimer_.start(kPlayingCheckInterval);
            if (GST_STATE_TARGET(playbin_) != GST_STATE_PLAYING && !Hold()) {
                break;
            }
        }
        CheckReserve();
        break;
    }
    case GST_MESSAGE_ASYNC_DONE:
        if (holding_) {
            CheckReserve();
        } else {
            RequestPlaying();
        }
        break;
    case GST_MESSAGE_STATE_CHANGED: {
        // Buffering has ended once the pipeline plays; a source that does not buffer (a local
        // file) reports it then too.
        GstState newState;
        gst_message_parse_state_changed(message, nullptr, &newState, nullptr);
        if (newState == GST_STATE_PLAYING && GST_STATE(playbin_) == GST_STATE_PLAYING &&
            !holding_ && (buffering_ || !bufferingEndReported_)) {
            buffering_ = false;
            ReportBufferingEnded();
        }
        break;
    }
    default:
        break;
    }
}

void CMediaPlayer::HandleTitle(const QString& title, std::uint64_t generation) {
    if (generation != generation_.load() || title.isEmpty() || title == title_) {
        return;
    }
    title_ = title;
    emit TitleChanged(title);
}

} // namespace sonavia
