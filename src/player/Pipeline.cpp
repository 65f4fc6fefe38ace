#include "player/Pipeline.h"

#include "player/LeanRegistry.h"
#include "player/PlayerLog.h"

#include <QByteArray>
#include <algorithm>
#include <gst/audio/gstaudiobasesink.h>
#include <gst/gst.h>
#include <memory>

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
constexpr gint kBufferingComplete = 100;
// How often a buffered stream's reserve is looked at while it is held, and while it plays: well
// within kLowReserve and what the output itself holds (a fifth of a second), so that a pause
// comes before a gap.
constexpr std::chrono::milliseconds kHeldCheckInterval{20};
constexpr std::chrono::milliseconds kPlayingCheckInterval{100};
// The stream's rate of bytes to audio is taken as known once this much has been decoded.
constexpr std::uint64_t kRateSampleNs = 100'000'000;
// The network queue holds what the largest reserve needs beyond what the decoded audio queue
// before the output holds (a second).
constexpr std::chrono::milliseconds kNetworkQueueTime{5000};
constexpr char kAdaptiveDemuxerKind[] = "Demuxer/Adaptive";
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
// The length of the pieces the output is given (a fraction of a second).
struct Fraction {
    gint numerator;
    gint denominator;
};
constexpr Fraction kOutputBlock{1, 10};
constexpr char kAudioKind[] = "Audio";
// What a stream from a server may have its pipeline fetch besides (an HTTP live stream's lists
// and segments): nothing local.
constexpr const char* kWebSchemes[] = {"http", "https"};

bool IsWebScheme(const char* scheme) {
    return scheme != nullptr &&
           std::any_of(std::begin(kWebSchemes), std::end(kWebSchemes),
                       [scheme](const char* web) { return g_ascii_strcasecmp(scheme, web) == 0; });
}
// What the tests' audio output keeps: a second of audio at most, as mono 32-bit samples.
constexpr guint kAppSinkMaxBuffers = 50;
constexpr char kAppSinkCaps[] = "audio/x-raw,format=F32LE,layout=interleaved,channels=1";

// An element name, or a pipeline description whose unlinked sink pad becomes the output's.
GstElement* MakeAudioSink() {
    const QByteArray chosen = qgetenv(Pipeline::kAudioSinkVariable).trimmed();
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

// A stretch of silence announced (at a stream's start, by the stream's synchroniser or a
// decoder) carries no samples that an output plays: it would only set a sound server's output
// going, which plays dry until the first audio comes and places that audio after the stretch
// it played. The output plays each piece as it comes, so nothing is lost without them.
GstPadProbeReturn DropSilenceStretch(GstPad* /*pad*/, GstPadProbeInfo* info, gpointer /*data*/) {
    if ((GST_PAD_PROBE_INFO_TYPE(info) & GST_PAD_PROBE_TYPE_BUFFER) != 0) {
        const GstBuffer* buffer = GST_PAD_PROBE_INFO_BUFFER(info);
        return GST_BUFFER_FLAG_IS_SET(buffer, GST_BUFFER_FLAG_GAP) ? GST_PAD_PROBE_DROP
                                                                   : GST_PAD_PROBE_OK;
    }
    const GstEvent* event = GST_PAD_PROBE_INFO_EVENT(info);
    return GST_EVENT_TYPE(event) == GST_EVENT_GAP ? GST_PAD_PROBE_DROP : GST_PAD_PROBE_OK;
}

// The output with the player's volume element ahead of it, and ahead of that the audio joined
// into pieces of kOutputBlock, in a bin whose sink pad is the first element's; `volume` and
// `output` are owned by the bin. Null when the volume or the output cannot be made.
//
// A decoder's pieces are 20 to 26 ms long. A sound server that takes the first of them alone
// plays it, runs dry before the next arrives and goes on from where it would be by then: a gap
// of two output periods after the first sound, at every start. A first piece longer than the
// server's first read starts the sound without one, and longer pieces wake the output's
// threads a third as often.
GstElement* MakeAudioSinkWithVolume(GstElement*& volume, GstElement*& output) {
    GstElement* sink = MakeAudioSink();
    output = sink;
    volume = gst_element_factory_make("volume", nullptr);
    GstElement* joiner = gst_element_factory_make("audiobuffersplit", nullptr);
    GstElement* bin = gst_bin_new(nullptr);
    if (sink == nullptr || volume == nullptr) {
        for (GstElement* made : {sink, volume, joiner, bin}) {
            if (made != nullptr) {
                gst_object_unref(gst_object_ref_sink(made));
            }
        }
        volume = nullptr;
        return nullptr;
    }
    gst_bin_add_many(GST_BIN(bin), volume, sink, nullptr);
    GstElement* first = volume;
    // Without the joiner (a GStreamer without it) the output still plays, with the gap.
    if (joiner != nullptr) {
        g_object_set(joiner, "output-buffer-duration", kOutputBlock.numerator,
                     kOutputBlock.denominator, nullptr);
        gst_bin_add(GST_BIN(bin), joiner);
        first = joiner;
    }
    if (GstPad* volumeInput = gst_element_get_static_pad(volume, "sink")) {
        gst_pad_add_probe(volumeInput,
                          static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                       GST_PAD_PROBE_TYPE_EVENT_DOWNSTREAM),
                          DropSilenceStretch, nullptr, nullptr);
        gst_object_unref(volumeInput);
    }
    GstPad* input = gst_element_get_static_pad(first, "sink");
    const bool ready = (joiner == nullptr || gst_element_link(joiner, volume)) &&
                       gst_element_link(volume, sink) &&
                       gst_element_add_pad(bin, gst_ghost_pad_new("sink", input));
    gst_object_unref(input);
    if (!ready) {
        gst_object_unref(gst_object_ref_sink(bin));
        volume = nullptr;
        return nullptr;
    }
    return bin;
}

using MessageRef = std::unique_ptr<GstMessage, decltype(&gst_message_unref)>;

// Hands a playlist's buffers to its watch; the verdict on the list so far.
LiveListWatch::Verdict WatchList(GstPadProbeInfo* info, LiveListWatch& watch) {
    auto verdict = LiveListWatch::Verdict::Fine;
    const auto take = [&](GstBuffer* buffer) {
        GstMapInfo map;
        if (gst_buffer_map(buffer, &map, GST_MAP_READ)) {
            verdict =
                watch.Take(std::string_view(reinterpret_cast<const char*>(map.data), map.size));
            gst_buffer_unmap(buffer, &map);
        }
    };
    if ((info->type & GST_PAD_PROBE_TYPE_BUFFER_LIST) != 0) {
        GstBufferList* list = GST_PAD_PROBE_INFO_BUFFER_LIST(info);
        for (guint i = 0; i < gst_buffer_list_length(list); ++i) {
            take(gst_buffer_list_get(list, i));
        }
    } else if ((info->type & GST_PAD_PROBE_TYPE_BUFFER) != 0) {
        take(GST_PAD_PROBE_INFO_BUFFER(info));
    }
    return verdict;
}

// Fails what reads a list that the watch refused: the attempt ends with the error.
void RefuseList(GstElement* element, LiveListWatch::Verdict verdict) {
    const bool tooLong = verdict == LiveListWatch::Verdict::TooLong;
    if (tooLong) {
        qCWarning(lcPlayer) << "Refused a playlist of an HTTP live stream: over"
                            << kMaxLiveListBytes / 1024 << "KiB or" << kMaxLiveListLines << "lines";
    } else {
        qCWarning(lcPlayer) << "Refused a playlist of an HTTP live stream: it names an address "
                               "off the web";
    }
    GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_FAILED,
                                        tooLong ? "The stream's playlist is too long"
                                                : "The stream's playlist names a local address");
    gst_element_post_message(element,
                             gst_message_new_error(GST_OBJECT_CAST(element), error, nullptr));
    g_error_free(error);
}

// The lists an HTTP live stream's demuxer fetches after the first (its variants, a live list's
// refreshes) come through a downloader of its own, whose source element is in no bin and posts
// to a bus of its own. Every other source of the process is in a bin before it sends anything: a
// source with no parent that sends is such a download, and is held to the first list's bound.
// Past it, the source reports an error, which ends the download and fails the demuxer's fetch.
GstPadProbeReturn OnParentlessSource(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    GstObject* source = GST_OBJECT_PARENT(pad);
    if (source == nullptr) {
        return GST_PAD_PROBE_OK;
    }
    if (GST_OBJECT_PARENT(source) != nullptr) {
        return GST_PAD_PROBE_REMOVE;
    }
    auto& watch = *static_cast<LiveListWatch*>(data);
    if (watch.Seen() != LiveListWatch::Verdict::Fine) {
        return GST_PAD_PROBE_DROP;
    }
    const auto verdict = WatchList(info, watch);
    if (verdict == LiveListWatch::Verdict::Fine) {
        return GST_PAD_PROBE_OK;
    }
    RefuseList(GST_ELEMENT_CAST(source), verdict);
    return GST_PAD_PROBE_DROP;
}

// GStreamer's tracing hook for each element made, in the thread that makes it.
void OnElementMade(GObject* /*tracer*/, GstClockTime /*time*/, GstElement* element) {
    if (!GST_IS_URI_HANDLER(element) ||
        gst_uri_handler_get_uri_type(GST_URI_HANDLER(element)) != GST_URI_SRC) {
        return;
    }
    if (GstPad* pad = gst_element_get_static_pad(element, "src")) {
        gst_pad_add_probe(pad,
                          static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER |
                                                       GST_PAD_PROBE_TYPE_BUFFER_LIST),
                          OnParentlessSource, new LiveListWatch,
                          [](gpointer watch) { delete static_cast<LiveListWatch*>(watch); });
        gst_object_unref(pad);
    }
}

// Watches every source the process makes, once: the hook stays for the process's life.
void BoundListDownloads() {
    static const bool installed = [] {
        const GType type = g_type_register_static_simple(
            GST_TYPE_TRACER, "SonaviaListDownloads", sizeof(GstTracerClass), nullptr,
            sizeof(GstTracer), nullptr, static_cast<GTypeFlags>(0));
        auto* tracer = GST_TRACER(gst_object_ref_sink(g_object_new(type, nullptr)));
        gst_tracing_register_hook(tracer, "element-new", G_CALLBACK(OnElementMade));
        return true;
    }();
    static_cast<void>(installed);
}

} // namespace

struct Pipeline::Report {
    enum class Kind { Error, End, Buffering, AsyncDone, StateChanged, Title, MetadataTooFrequent };
    Kind kind = Kind::End;
    std::uint64_t generation = 0;
    // Buffering: the report's number and how full the network queue is.
    std::uint64_t sequence = 0;
    gint percent = 0;
    // State changed: the pipeline now plays.
    bool playing = false;
    // Error: the reply is no audio that a decoder takes.
    bool notMedia = false;
    QString title;
};

struct Pipeline::Callbacks {
    // A sync handler that drops a message owns it: every message is released here. (A message
    // that is never released keeps its source element, and with it that attempt's whole chain of
    // elements, alive.) What the interface thread needs of it goes there as a report.
    static GstBusSyncReply OnBusMessage(GstBus* /*bus*/, GstMessage* message, gpointer data) {
        const MessageRef owned(message, gst_message_unref);
        auto* player = static_cast<Pipeline*>(data);
        Report report;
        report.generation = player->generation_.load();
        if (!Parse(message, player, report)) {
            return GST_BUS_DROP;
        }
        QMetaObject::invokeMethod(
            player, [player, report = std::move(report)] { player->Handle(report); },
            Qt::QueuedConnection);
        return GST_BUS_DROP;
    }

    // Fills in the report of a message that the interface thread needs; false for the others.
    static bool Parse(GstMessage* message, Pipeline* player, Report& report) {
        const bool fromPlaybin = GST_MESSAGE_SRC(message) == GST_OBJECT_CAST(player->playbin_);
        switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_ERROR:
            report.kind = Report::Kind::Error;
            report.notMedia = LogError(message, *player);
            return true;
        case GST_MESSAGE_WARNING:
            LogWarning(message, player->flow_);
            return false;
        case GST_MESSAGE_EOS:
            report.kind = Report::Kind::End;
            return fromPlaybin;
        case GST_MESSAGE_ASYNC_DONE:
            report.kind = Report::Kind::AsyncDone;
            return fromPlaybin;
        case GST_MESSAGE_STATE_CHANGED: {
            GstState newState = GST_STATE_VOID_PENDING;
            gst_message_parse_state_changed(message, nullptr, &newState, nullptr);
            report.kind = Report::Kind::StateChanged;
            report.playing = newState == GST_STATE_PLAYING;
            return fromPlaybin;
        }
        case GST_MESSAGE_BUFFERING: {
            gst_message_parse_buffering(message, &report.percent);
            // While a stream plays on its reserve, only a change of the network queue's
            // fullness matters to the player; the many reports between are not worth a trip
            // to the interface thread.
            const int full = report.percent >= kBufferingComplete ? 1 : 0;
            if (player->queueFullReported_.exchange(full) == full &&
                !player->allBufferingReports_.load()) {
                return false;
            }
            report.kind = Report::Kind::Buffering;
            report.sequence = ++player->bufferingSequence_;
            return true;
        }
        case GST_MESSAGE_TAG:
            report.kind = Report::Kind::Title;
            report.title = TitleIn(message);
            return !report.title.isEmpty();
        default:
            return false;
        }
    }

    static QString TitleIn(GstMessage* message) {
        GstTagList* tags = nullptr;
        gst_message_parse_tag(message, &tags);
        gchar* title = nullptr;
        QString text;
        if (gst_tag_list_get_string(tags, GST_TAG_TITLE, &title)) {
            text = QString::fromUtf8(title);
        }
        g_free(title);
        gst_tag_list_unref(tags);
        return text;
    }

    // Logs an error with all a bug report needs, as a warning when it is the first of an attempt
    // that was not expected to fail; returns whether it says the reply is no audio (a stream no
    // decoder takes, or a web page).
    static bool LogError(GstMessage* message, Pipeline& player) {
        GError* error = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_error(message, &error, &debug);
        const bool notMedia = error != nullptr && (error->domain == GST_STREAM_ERROR ||
                                                   g_error_matches(error, GST_CORE_ERROR,
                                                                   GST_CORE_ERROR_MISSING_PLUGIN));
        if (error != nullptr) {
            const QString text = QStringLiteral("GStreamer error from %1: %2 %3: %4 (%5)")
                                     .arg(QString::fromUtf8(GST_MESSAGE_SRC_NAME(message)),
                                          QString::fromUtf8(g_quark_to_string(error->domain)))
                                     .arg(error->code)
                                     .arg(QString::fromUtf8(error->message),
                                          QString::fromUtf8(debug != nullptr ? debug : ""));
            if (!player.flow_.errorLogged.exchange(true) && !player.errorsExpected_.load()) {
                qCWarning(lcPlayer).noquote() << text;
            } else {
                qCInfo(lcPlayer).noquote() << text;
            }
        }
        g_clear_error(&error);
        g_free(debug);
        return notMedia;
    }

    // A decoder may warn of every damaged frame: a warning like the last one logged in this
    // attempt is not logged again.
    static void LogWarning(GstMessage* message, Flow& flow) {
        GError* warning = nullptr;
        gchar* debug = nullptr;
        gst_message_parse_warning(message, &warning, &debug);
        if (warning != nullptr) {
            const std::uint64_t key = (static_cast<std::uint64_t>(warning->domain) << 32U) |
                                      static_cast<std::uint32_t>(warning->code);
            if (flow.lastWarning.exchange(key) != key) {
                qCWarning(lcPlayer).nospace()
                    << "GStreamer warning from " << GST_MESSAGE_SRC_NAME(message) << ": "
                    << g_quark_to_string(warning->domain) << " " << warning->code << ": "
                    << warning->message << " (" << (debug != nullptr ? debug : "") << ")";
            }
        }
        g_clear_error(&warning);
        g_free(debug);
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
        auto* player = static_cast<Pipeline*>(data);
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
    static void CheckMetadataInterval(GstEvent* event, Pipeline* player) {
        GstCaps* caps = nullptr;
        gst_event_parse_caps(event, &caps);
        const GstStructure* format = caps != nullptr ? gst_caps_get_structure(caps, 0) : nullptr;
        gint interval = 0;
        if (format == nullptr || !gst_structure_has_name(format, kMetadataCaps) ||
            !gst_structure_get_int(format, kMetadataIntervalField, &interval) ||
            interval >= kMinMetadataInterval || player->flow_.metadataRefused.exchange(true)) {
            return;
        }
        Report report;
        report.kind = Report::Kind::MetadataTooFrequent;
        report.generation = player->generation_.load();
        QMetaObject::invokeMethod(
            player, [player, report = std::move(report)] { player->Handle(report); },
            Qt::QueuedConnection);
    }

    // An HTTP live stream's first playlist, on its way into the demuxer: one too long to keep
    // fails the attempt before the demuxer reads it.
    static GstPadProbeReturn OnLiveList(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
        LiveListWatch& watch = static_cast<Pipeline*>(data)->flow_.liveList;
        if (watch.Seen() != LiveListWatch::Verdict::Fine) {
            return GST_PAD_PROBE_DROP;
        }
        const auto verdict = WatchList(info, watch);
        if (verdict == LiveListWatch::Verdict::Fine) {
            return GST_PAD_PROBE_OK;
        }
        if (GstElement* demuxer = gst_pad_get_parent_element(pad)) {
            RefuseList(demuxer, verdict);
            gst_object_unref(demuxer);
        }
        return GST_PAD_PROBE_DROP;
    }

    static GstPadProbeReturn OnDecoderInput(GstPad* /*pad*/, GstPadProbeInfo* info, gpointer data) {
        static_cast<Pipeline*>(data)->flow_.decoderBytes.fetch_add(SeenIn(info).bytes);
        return GST_PAD_PROBE_OK;
    }

    static GstPadProbeReturn OnDecoded(GstPad* /*pad*/, GstPadProbeInfo* info, gpointer data) {
        static_cast<Pipeline*>(data)->flow_.decodedNs.fetch_add(SeenIn(info).ns);
        return GST_PAD_PROBE_OK;
    }

    static GstPadProbeReturn OnOutput(GstPad* /*pad*/, GstPadProbeInfo* info, gpointer data) {
        auto* player = static_cast<Pipeline*>(data);
        const Seen seen = SeenIn(info);
        player->decodedBuffers_.fetch_add(seen.buffers);
        player->flow_.outputNs.fetch_add(seen.ns);
        return GST_PAD_PROBE_OK;
    }

    static void OnSourceSetup(GstElement* /*playbin*/, GstElement* source, gpointer data) {
        if (g_object_class_find_property(G_OBJECT_GET_CLASS(source), kMetadataModeProperty) !=
            nullptr) {
            g_object_set(source, kMetadataModeProperty,
                         static_cast<gboolean>(static_cast<Pipeline*>(data)->metadataWanted_),
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

    // A source that an element of a stream from a server makes (an HTTP live stream's segments)
    // is added to its bin with its address already set, and reads nothing before it starts: one
    // of any other scheme than the web's is held stopped, and fails the attempt.
    static void RefuseLocalSource(GstElement* source, Pipeline& player) {
        gchar* uri = gst_uri_handler_get_uri(GST_URI_HANDLER(source));
        gchar* scheme = uri != nullptr ? gst_uri_get_protocol(uri) : nullptr;
        if (!IsWebScheme(scheme)) {
            gst_element_set_locked_state(source, TRUE);
            qCWarning(lcPlayer) << "Refused a source for" << (uri != nullptr ? uri : "no address")
                                << "in a stream from a server";
            player.flow_.errorLogged = true;
            GError* error = g_error_new_literal(GST_RESOURCE_ERROR, GST_RESOURCE_ERROR_OPEN_READ,
                                                "A stream from a server may not read local data");
            gst_element_post_message(
                source, gst_message_new_error(GST_OBJECT_CAST(source), error, nullptr));
            g_error_free(error);
        }
        g_free(scheme);
        g_free(uri);
    }

    // An HTTP live stream's source only reads the stream's playlist; its demuxer fetches the
    // media itself, so what the demuxer passes on counts as received too. An audio decoder's
    // input and output give the stream's rate of bytes to audio and what is decoded ahead. An
    // output to a sound card or sound server is told the length of the pieces it takes, and
    // that it plays them as they come.
    static void OnElementAdded(GstBin* /*playbin*/, GstBin* /*bin*/, GstElement* element,
                               gpointer data) {
        auto* player = static_cast<Pipeline*>(data);
        if (player->webOnly_.load() && GST_IS_URI_HANDLER(element) &&
            gst_uri_handler_get_uri_type(GST_URI_HANDLER(element)) == GST_URI_SRC) {
            RefuseLocalSource(element, *player);
        }
        const gchar* kind = gst_element_get_metadata(element, GST_ELEMENT_METADATA_KLASS);
        if (kind == nullptr) {
            return;
        }
        if (GST_IS_AUDIO_BASE_SINK(element)) {
            // Its samples play one after another instead of being placed by the clock: an output
            // that waited in pause while the reserve filled (a sound server's stream) would
            // otherwise start with as much silence as it waited. Its buffer still paces the
            // stream.
            g_object_set(element, kOutputPeriodProperty, kOutputPeriodUs, "sync", FALSE, nullptr);
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

void Pipeline::Flow::Reset() {
    receivedBytes = 0;
    decoderBytes = 0;
    decodedNs = 0;
    outputNs = 0;
    sourceEnded = false;
    metadataRefused = false;
    liveList = {};
    errorLogged = false;
    lastWarning = 0;
}

Pipeline::Pipeline(QObject* parent) : QObject(parent) {
    connect(&reserveTimer_, &QTimer::timeout, this, &Pipeline::CheckReserve);
}

Pipeline::~Pipeline() {
    // GStreamer's threads end before the object goes, so no report reaches it afterwards;
    // reports already queued go with it.
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

Pipeline::Setup Pipeline::Create() {
    if (playbin_ != nullptr) {
        return Setup::Ready;
    }
    GError* error = nullptr;
    if (!gst_init_check(nullptr, nullptr, &error)) {
        qCWarning(lcPlayer) << "GStreamer did not start:"
                            << (error != nullptr ? error->message : "no reason given");
        g_clear_error(&error);
        return Setup::Unavailable;
    }
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    if (playbin == nullptr) {
        qCWarning(lcPlayer) << "GStreamer has no playbin element";
        return Setup::Unavailable;
    }
    gst_object_ref_sink(playbin);
    KeepRegistryLean();
    BoundListDownloads();
    GstElement* volume = nullptr;
    GstElement* output = nullptr;
    GstElement* sink = MakeAudioSinkWithVolume(volume, output);
    GstBus* bus = gst_element_get_bus(playbin);
    // What has reached the volume has left the joining of pieces: audio still being joined is
    // ahead of the output, as the reserve counts it.
    GstPad* sinkPad = volume != nullptr ? gst_element_get_static_pad(volume, "sink") : nullptr;
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
        qCWarning(lcPlayer) << "The audio output could not be made:"
                            << qgetenv(kAudioSinkVariable).constData();
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

bool Pipeline::Play(const std::string& uri, bool wantMetadata) {
    Reset();
    live_ = false;
    buffered_ = false;
    holding_ = false;
    queueFull_ = false;
    buffering_ = false;
    bufferingEndReported_ = false;
    metadataWanted_ = wantMetadata;
    gchar* scheme = gst_uri_get_protocol(uri.c_str());
    webOnly_ = IsWebScheme(scheme);
    g_free(scheme);
    g_object_set(playbin_, "uri", uri.c_str(), nullptr);
    // Paused first: playback starts once enough audio is ahead of the output (or at once for a
    // source that does not buffer), from the bus reports about the pipeline as it is now.
    const GstStateChangeReturn change = gst_element_set_state(playbin_, GST_STATE_PAUSED);
    if (change == GST_STATE_CHANGE_FAILURE) {
        Reset();
        return false;
    }
    attempting_ = true;
    if (change == GST_STATE_CHANGE_NO_PREROLL) {
        // A live source cannot hold while it buffers.
        live_ = true;
        gst_element_set_state(playbin_, GST_STATE_PLAYING);
    } else if (change == GST_STATE_CHANGE_SUCCESS) {
        RequestPlaying();
    }
    return true;
}

void Pipeline::Reset() {
    // Stopping joins GStreamer's threads: what they report afterwards is of the next attempt.
    gst_element_set_state(playbin_, GST_STATE_NULL);
    ++generation_;
    attempting_ = false;
    decodedBuffers_ = 0;
    flow_.Reset();
    queueFullReported_ = -1;
    allBufferingReports_ = true;
    reserveTimer_.stop();
}

bool Pipeline::Stop() {
    reserveTimer_.stop();
    attempting_ = false;
    const bool stopped =
        gst_element_set_state(playbin_, GST_STATE_NULL) != GST_STATE_CHANGE_FAILURE;
    ++generation_;
    return stopped;
}

void Pipeline::SetVolume(double volume) {
    g_object_set(volume_, "volume", static_cast<gdouble>(volume), nullptr);
}

void Pipeline::SetMute(bool mute) {
    g_object_set(volume_, "mute", static_cast<gboolean>(mute), nullptr);
}

void Pipeline::Handle(const Report& report) {
    if (report.generation != generation_.load() || !attempting_) {
        return;
    }
    switch (report.kind) {
    case Report::Kind::Error:
    case Report::Kind::End:
        emit Ended(report.kind == Report::Kind::Error, report.notMedia);
        break;
    case Report::Kind::Buffering:
        // A newer report is on its way: it describes the buffer as it is now.
        if (report.sequence == bufferingSequence_.load()) {
            OnBuffering(report);
        }
        break;
    case Report::Kind::AsyncDone:
        OnAsyncDone();
        break;
    case Report::Kind::StateChanged:
        if (report.playing) {
            OnPlaying();
        }
        break;
    case Report::Kind::Title:
        emit TitleChanged(report.title);
        break;
    case Report::Kind::MetadataTooFrequent:
        emit MetadataTooFrequent();
        break;
    }
}

void Pipeline::OnBuffering(const Report& report) {
    queueFull_ = report.percent >= kBufferingComplete;
    if (live_) {
        OnLiveBuffering(queueFull_);
        return;
    }
    if (!buffered_) {
        buffered_ = true;
        reserveTimer_.start(kPlayingCheckInterval);
        if (GST_STATE_TARGET(playbin_) != GST_STATE_PLAYING && !Hold()) {
            return;
        }
    }
    CheckReserve();
}

void Pipeline::OnLiveBuffering(bool queueFull) {
    // A live source cannot hold: its buffering is only reported.
    if (queueFull != buffering_) {
        return;
    }
    buffering_ = !queueFull;
    if (buffering_) {
        bufferingEndReported_ = false;
        emit Buffering(true);
    } else {
        ReportBufferingEnded();
    }
}

void Pipeline::OnAsyncDone() {
    if (holding_) {
        CheckReserve();
    } else {
        RequestPlaying();
    }
}

void Pipeline::OnPlaying() {
    // Buffering has ended once the pipeline plays; a source that does not buffer (a local file)
    // reports it then too.
    if (GST_STATE(playbin_) == GST_STATE_PLAYING && !holding_ &&
        (buffering_ || !bufferingEndReported_)) {
        buffering_ = false;
        ReportBufferingEnded();
    }
}

void Pipeline::RequestPlaying() {
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

void Pipeline::ReportBufferingEnded() {
    bufferingEndReported_ = true;
    emit Buffering(false);
}

std::optional<std::chrono::nanoseconds> Pipeline::Reserve() const {
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

void Pipeline::CheckReserve() {
    if (!buffered_ || live_ || !attempting_) {
        return;
    }
    const std::optional<std::chrono::nanoseconds> reserve = Reserve();
    // A source that has delivered all it will plays out what is left.
    const bool ended = flow_.sourceEnded.load();
    if (holding_) {
        const std::chrono::milliseconds target = HeldReserveTarget();
        if (ended || (reserve ? *reserve >= target : queueFull_)) {
            if (target != reserveTarget_) {
                qCInfo(lcPlayer) << "Data comes in evenly: playing on" << target.count()
                                 << "ms of audio";
            }
            holding_ = false;
            allBufferingReports_ = false;
            reserveTimer_.setInterval(kPlayingCheckInterval);
            // The end of buffering is reported before the sound starts: what the listener sets
            // in answer (the volume of a fade's first step) then reaches the output with the
            // first audio, instead of after the output's buffer of audio at the volume before.
            if (buffering_) {
                const std::uint64_t generation = generation_.load();
                buffering_ = false;
                ReportBufferingEnded();
                // The listener may have started another attempt or stopped in answer.
                if (generation != generation_.load()) {
                    return;
                }
            }
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
    qCInfo(lcPlayer) << "Reserve ran low: holding for" << reserveTarget_.count() << "ms of audio";
    gst_element_set_state(playbin_, GST_STATE_PAUSED);
    Hold();
}

std::chrono::milliseconds Pipeline::HeldReserveTarget() {
    const auto now = std::chrono::steady_clock::now();
    Arrival& arrival = heldArrival_;
    const std::uint64_t received = flow_.receivedBytes.load();
    if (received != arrival.received) {
        arrival.received = received;
        arrival.first = arrival.first.value_or(now);
        arrival.last = now;
    }
    if (!arrival.first) {
        return reserveTarget_;
    }
    arrival.longestStill = std::max(arrival.longestStill, now - arrival.last);
    const bool even =
        now - *arrival.first >= kEvenArrivalSpan && arrival.longestStill <= kEvenArrivalPause;
    return even && reserveTarget_ == kStartReserve ? kEvenReserve : reserveTarget_;
}

bool Pipeline::Hold() {
    holding_ = true;
    heldArrival_ = {flow_.receivedBytes.load(), std::nullopt, {}, {}};
    allBufferingReports_ = true;
    reserveTimer_.setInterval(kHeldCheckInterval);
    if (buffering_) {
        return true;
    }
    buffering_ = true;
    bufferingEndReported_ = false;
    const std::uint64_t generation = generation_.load();
    emit Buffering(true);
    // The listener may have started another attempt or stopped in answer.
    return generation == generation_.load();
}

} // namespace sonavia
