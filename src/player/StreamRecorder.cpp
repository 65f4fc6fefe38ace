#include "player/StreamRecorder.h"

#include "player/PlayerLog.h"

#include <QCoreApplication>
#include <cstring>
#include <gst/gst.h>
#include <optional>

namespace sonavia {

namespace {

constexpr char kTypeFinder[] = "typefind";
constexpr char kDecodeBin[] = "decodebin";
constexpr char kMetadataDemuxer[] = "icydemux";
constexpr char kOggDemuxer[] = "oggdemux";
constexpr char kAdaptiveDemuxerKind[] = "Demuxer/Adaptive";
constexpr char kStreamHeaderField[] = "streamheader";
constexpr char kTapQuark[] = "sonavia-recording-tap";
// What comes before a demuxer that follows: no stream to record yet.
constexpr const char* kNotYetTheStream[] = {"application/x-icy", "application/x-hls",
                                            "application/dash+xml", "application/vnd.ms-sstr+xml"};
// A tag block ahead of the audio: in an HTTP live stream's segments AAC follows it, elsewhere
// MP3 does.
constexpr char kTagBlock[] = "application/x-id3";
constexpr char kFallbackExtension[] = "bin";

struct Extension {
    const char* mediaType;
    const char* extension;
};

constexpr Extension kExtensions[] = {
    {"audio/ogg", "ogg"},        {"application/ogg", "ogg"},  {"video/mpegts", "ts"},
    {"audio/x-flac", "flac"},    {"video/quicktime", "m4a"},  {"audio/x-m4a", "m4a"},
    {"audio/x-wav", "wav"},      {"audio/x-ac3", "ac3"},      {"video/x-ms-asf", "asf"},
    {"audio/x-matroska", "mka"}, {"video/x-matroska", "mka"},
};

std::string FactoryName(GstElement* element) {
    GstElementFactory* factory = gst_element_get_factory(element);
    return factory != nullptr ? gst_plugin_feature_get_name(GST_PLUGIN_FEATURE(factory)) : "";
}

bool IsAdaptiveDemuxer(GstElement* element) {
    const gchar* kind = gst_element_get_metadata(element, GST_ELEMENT_METADATA_KLASS);
    return kind != nullptr && g_strrstr(kind, kAdaptiveDemuxerKind) != nullptr;
}

std::string MpegExtension(const GstStructure* structure) {
    gint version = 1;
    gst_structure_get_int(structure, "mpegversion", &version);
    if (version != 1) {
        return "aac";
    }
    gint layer = 3;
    gst_structure_get_int(structure, "layer", &layer);
    return "mp" + std::to_string(layer);
}

// What a stream with these caps is recorded as; none when another element has yet to take it
// apart.
std::optional<RecordedFormat> FormatOf(const GstCaps* caps, bool adaptive) {
    if (gst_caps_is_empty(caps) || gst_caps_is_any(caps)) {
        return std::nullopt;
    }
    const GstStructure* structure = gst_caps_get_structure(caps, 0);
    const std::string type = gst_structure_get_name(structure);
    for (const char* later : kNotYetTheStream) {
        if (type == later) {
            return std::nullopt;
        }
    }
    RecordedFormat format;
    format.extension = kFallbackExtension;
    if (type == "audio/mpeg") {
        format.extension = MpegExtension(structure);
    } else if (type == kTagBlock) {
        format.extension = adaptive ? "aac" : "mp3";
    }
    for (const Extension& known : kExtensions) {
        if (type == known.mediaType) {
            format.extension = known.extension;
        }
    }
    format.ogg = format.extension == "ogg";
    return format;
}

GQuark TapQuark() {
    static const GQuark quark = g_quark_from_static_string(kTapQuark);
    return quark;
}

// The header packets of the one logical stream that the Ogg demuxer beside `pad` (in the same
// bin) has found; none when it has found none yet, or several streams.
std::vector<std::string> OggHeadersBeside(GstPad* pad) {
    std::vector<std::string> headers;
    GstObject* element = gst_pad_get_parent(pad);
    GstObject* bin = element != nullptr ? gst_object_get_parent(element) : nullptr;
    if (bin != nullptr && GST_IS_BIN(bin)) {
        GstIterator* elements = gst_bin_iterate_elements(GST_BIN(bin));
        GValue item = G_VALUE_INIT;
        int streams = 0;
        while (gst_iterator_next(elements, &item) == GST_ITERATOR_OK) {
            auto* demuxer = GST_ELEMENT(g_value_get_object(&item));
            if (FactoryName(demuxer) == kOggDemuxer) {
                for (GList* p = demuxer->srcpads; p != nullptr; p = p->next) {
                    GstCaps* caps = gst_pad_get_current_caps(GST_PAD(p->data));
                    const GValue* packets =
                        caps != nullptr ? gst_structure_get_value(gst_caps_get_structure(caps, 0),
                                                                  kStreamHeaderField)
                                        : nullptr;
                    if (packets != nullptr && GST_VALUE_HOLDS_ARRAY(packets)) {
                        ++streams;
                        headers.clear();
                        for (guint i = 0; i < gst_value_array_get_size(packets); ++i) {
                            const GValue* packet = gst_value_array_get_value(packets, i);
                            GstMapInfo map;
                            if (GST_VALUE_HOLDS_BUFFER(packet) &&
                                gst_buffer_map(gst_value_get_buffer(packet), &map, GST_MAP_READ)) {
                                headers.emplace_back(reinterpret_cast<const char*>(map.data),
                                                     map.size);
                                gst_buffer_unmap(gst_value_get_buffer(packet), &map);
                            }
                        }
                    }
                    if (caps != nullptr) {
                        gst_caps_unref(caps);
                    }
                }
            }
            g_value_reset(&item);
        }
        g_value_unset(&item);
        gst_iterator_free(elements);
        if (streams != 1) {
            headers.clear();
        }
    }
    if (bin != nullptr) {
        gst_object_unref(bin);
    }
    if (element != nullptr) {
        gst_object_unref(element);
    }
    return headers;
}

} // namespace

// What the probes and the pipeline's signals share with the recorder; each holds it.
struct StreamRecorder::Taps {
    std::mutex mutex;
    // Null while nothing is recorded.
    std::shared_ptr<RecordingWriter> writer;
    // Numbers the recordings: a pad is tapped once in each.
    std::uint64_t recording = 0;
    std::uint64_t lastTap = 0;
    // The tap whose stream is recorded: the latest to start.
    std::uint64_t activeTap = 0;
};

namespace {

using SharedTaps = std::shared_ptr<StreamRecorder::Taps>;

struct Tap {
    SharedTaps taps;
    std::uint64_t recording = 0;
    std::uint64_t id = 0;
    bool adaptive = false;
    bool started = false;
};

bool Hand(RecordingWriter& writer, GstBuffer* buffer) {
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ)) {
        return true;
    }
    const bool taken = writer.Write(map.data, map.size);
    gst_buffer_unmap(buffer, &map);
    return taken;
}

GstPadProbeReturn OnTapped(GstPad* pad, GstPadProbeInfo* info, gpointer data) {
    auto& tap = *static_cast<Tap*>(data);
    std::shared_ptr<RecordingWriter> writer;
    {
        std::lock_guard lock(tap.taps->mutex);
        if (tap.recording != tap.taps->recording || !tap.taps->writer ||
            (tap.started && tap.taps->activeTap != tap.id)) {
            return GST_PAD_PROBE_REMOVE;
        }
        writer = tap.taps->writer;
    }
    if (!tap.started) {
        GstCaps* caps = gst_pad_get_current_caps(pad);
        if (caps == nullptr) {
            return GST_PAD_PROBE_OK;
        }
        std::optional<RecordedFormat> format = FormatOf(caps, tap.adaptive);
        gst_caps_unref(caps);
        if (!format) {
            return GST_PAD_PROBE_REMOVE;
        }
        if (format->ogg) {
            format->oggHeaders = OggHeadersBeside(pad);
        }
        qCInfo(lcPlayer) << "Recording the stream as" << format->extension.c_str();
        tap.started = true;
        {
            std::lock_guard lock(tap.taps->mutex);
            tap.taps->activeTap = tap.id;
        }
        if (!writer->BeginStream(std::move(*format))) {
            return GST_PAD_PROBE_REMOVE;
        }
    }
    bool taken = true;
    if ((info->type & GST_PAD_PROBE_TYPE_BUFFER_LIST) != 0) {
        GstBufferList* list = GST_PAD_PROBE_INFO_BUFFER_LIST(info);
        for (guint i = 0; taken && i < gst_buffer_list_length(list); ++i) {
            taken = Hand(*writer, gst_buffer_list_get(list, i));
        }
    } else if ((info->type & GST_PAD_PROBE_TYPE_BUFFER) != 0) {
        taken = Hand(*writer, GST_PAD_PROBE_INFO_BUFFER(info));
    }
    return taken ? GST_PAD_PROBE_OK : GST_PAD_PROBE_REMOVE;
}

void TapPad(const SharedTaps& taps, GstPad* pad, bool adaptive) {
    auto tap = std::make_unique<Tap>();
    {
        std::lock_guard lock(taps->mutex);
        const auto marked =
            reinterpret_cast<std::uintptr_t>(g_object_get_qdata(G_OBJECT(pad), TapQuark()));
        if (!taps->writer || marked == taps->recording) {
            return;
        }
        g_object_set_qdata(
            G_OBJECT(pad), TapQuark(),
            reinterpret_cast<gpointer>(static_cast<std::uintptr_t>(taps->recording)));
        *tap = {taps, taps->recording, ++taps->lastTap, adaptive, false};
    }
    gst_pad_add_probe(
        pad,
        static_cast<GstPadProbeType>(GST_PAD_PROBE_TYPE_BUFFER | GST_PAD_PROBE_TYPE_BUFFER_LIST),
        OnTapped, tap.release(), [](gpointer done) { delete static_cast<Tap*>(done); });
}

void DeleteTaps(gpointer taps, GClosure* /*closure*/) {
    delete static_cast<SharedTaps*>(taps);
}

void OnDemuxerPad(GstElement* demuxer, GstPad* pad, gpointer data) {
    if (GST_PAD_IS_SRC(pad)) {
        TapPad(*static_cast<SharedTaps*>(data), pad, IsAdaptiveDemuxer(demuxer));
    }
}

// Taps what carries the stream: the metadata demuxer's or the live stream demuxer's output as
// it appears, else the stream as it enters the decoding bin.
void Consider(const SharedTaps& taps, GstElement* element) {
    const std::string factory = FactoryName(element);
    const bool adaptive = IsAdaptiveDemuxer(element);
    if (factory == kMetadataDemuxer || adaptive) {
        if (g_signal_handler_find(element, G_SIGNAL_MATCH_FUNC, 0, 0, nullptr,
                                  reinterpret_cast<gpointer>(OnDemuxerPad), nullptr) == 0) {
            g_signal_connect_data(element, "pad-added", G_CALLBACK(OnDemuxerPad),
                                  new SharedTaps(taps), DeleteTaps, static_cast<GConnectFlags>(0));
        }
        GST_OBJECT_LOCK(element);
        std::vector<GstPad*> pads;
        for (GList* p = element->srcpads; p != nullptr; p = p->next) {
            pads.push_back(GST_PAD(gst_object_ref(p->data)));
        }
        GST_OBJECT_UNLOCK(element);
        for (GstPad* pad : pads) {
            TapPad(taps, pad, adaptive);
            gst_object_unref(pad);
        }
        return;
    }
    GstObject* parent =
        factory == kTypeFinder ? gst_object_get_parent(GST_OBJECT(element)) : nullptr;
    if (parent != nullptr && GST_IS_ELEMENT(parent) &&
        FactoryName(GST_ELEMENT(parent)) == kDecodeBin) {
        if (GstPad* pad = gst_element_get_static_pad(element, "src")) {
            TapPad(taps, pad, false);
            gst_object_unref(pad);
        }
    }
    if (parent != nullptr) {
        gst_object_unref(parent);
    }
}

void OnElementAdded(GstBin* /*playbin*/, GstBin* /*bin*/, GstElement* element, gpointer data) {
    Consider(*static_cast<SharedTaps*>(data), element);
}

} // namespace

StreamRecorder::StreamRecorder(GstElement* playbin, QObject* parent)
    : QObject(parent), playbin_(playbin), taps_(std::make_shared<Taps>()),
      self_(std::make_shared<StreamRecorder*>(this)) {}

StreamRecorder::~StreamRecorder() {
    Stop();
    *self_ = nullptr;
    const auto deadline = std::chrono::steady_clock::now() + kExitWait;
    for (const auto& finished : finishing_) {
        if (finished.wait_until(deadline) != std::future_status::ready) {
            qCWarning(lcPlayer) << "A recording was still being written at the end";
            break;
        }
    }
}

void StreamRecorder::Start(std::filesystem::path folder, std::string title) {
    Stop();
    std::uint64_t recording = 0;
    {
        std::lock_guard lock(taps_->mutex);
        recording = ++taps_->recording;
    }
    auto ended = [self = std::weak_ptr(self_), recording](const std::string& reason) {
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [self, recording, text = QString::fromStdString(reason)] {
                const auto recorder = self.lock();
                if (recorder && *recorder != nullptr && (*recorder)->Recording() &&
                    (*recorder)->taps_->recording == recording) {
                    (*recorder)->Stop();
                    emit(*recorder)->Failed(text);
                }
            },
            Qt::QueuedConnection);
    };
    writer_ = std::make_shared<RecordingWriter>(std::move(folder), std::move(title), ended);
    {
        std::lock_guard lock(taps_->mutex);
        taps_->writer = writer_;
    }
    // Elements made from now on, then those there already; a pad is tapped once either way.
    elementAddedHandler_ =
        g_signal_connect_data(playbin_, "deep-element-added", G_CALLBACK(OnElementAdded),
                              new SharedTaps(taps_), DeleteTaps, static_cast<GConnectFlags>(0));
    GstIterator* elements = gst_bin_iterate_recurse(GST_BIN(playbin_));
    gst_iterator_foreach(
        elements,
        [](const GValue* item, gpointer taps) {
            Consider(*static_cast<SharedTaps*>(taps), GST_ELEMENT(g_value_get_object(item)));
        },
        &taps_);
    gst_iterator_free(elements);
}

void StreamRecorder::NextFile(std::string title) {
    if (writer_) {
        writer_->NextFile(std::move(title));
    }
}

void StreamRecorder::Stop() {
    if (!writer_) {
        return;
    }
    {
        std::lock_guard lock(taps_->mutex);
        taps_->writer.reset();
    }
    g_signal_handler_disconnect(playbin_, elementAddedHandler_);
    elementAddedHandler_ = 0;
    std::erase_if(finishing_, [](const std::shared_future<void>& finished) {
        return finished.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
    });
    finishing_.push_back(writer_->Finish());
    writer_.reset();
}

} // namespace sonavia
