#pragma once

namespace sonavia {

// Keeps a player of sound small: sets GStreamer's registry up so that streams are typed and
// decoded by the leanest elements that take them. Once, after GStreamer is set up and before
// the first stream.
void KeepRegistryLean();

} // namespace sonavia
