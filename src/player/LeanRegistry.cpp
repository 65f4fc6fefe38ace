#include "player/LeanRegistry.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <gst/gst.h>

namespace sonavia {

namespace {

// MP3 is decoded by mpg123 rather than by the general codec library, which ranks alike and sorts
// first. And that library's type finders are hidden: the stream type finders of GStreamer itself
// know every radio format, while the library's are tried on most streams and bring some 25 MB of
// codec libraries into the process. (AAC needs that library's decoder: libfaad2's takes seconds
// to start in playbin. Once loaded, GStreamer keeps a plugin for the rest of the run: it has no
// way to unload one.)
constexpr char kPreferredMp3Decoder[] = "mpg123audiodec";
constexpr char kCodecLibraryTypeFinderPrefix[] = "avtype_";

// The player plays sound only. Every element that playbin may plug has its accepted formats
// parsed and kept the first time a stream's format is matched against them, and half of them
// take only pictures: set aside (rank none, never plugged), they cost nothing. A stream with
// pictures as well still plays its sound.
constexpr std::array<const char*, 2> kPictureClasses{"Video", "Image"};
constexpr char kSoundClass[] = "Audio";

bool TakesOnlyPictures(GstElementFactory* factory) {
    const char* klass = gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_KLASS);
    if (klass == nullptr || std::strstr(klass, kSoundClass) != nullptr) {
        return false;
    }
    return std::any_of(
        kPictureClasses.begin(), kPictureClasses.end(),
        [klass](const char* picture) { return std::strstr(klass, picture) != nullptr; });
}

} // namespace

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
    GList* elements = gst_registry_get_feature_list(registry, GST_TYPE_ELEMENT_FACTORY);
    for (GList* item = elements; item != nullptr; item = item->next) {
        auto* feature = GST_PLUGIN_FEATURE(item->data);
        if (gst_plugin_feature_get_rank(feature) != GST_RANK_NONE &&
            TakesOnlyPictures(GST_ELEMENT_FACTORY(feature))) {
            gst_plugin_feature_set_rank(feature, GST_RANK_NONE);
        }
    }
    gst_plugin_feature_list_free(elements);
}

} // namespace sonavia
