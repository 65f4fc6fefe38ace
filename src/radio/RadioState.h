#pragma once

#include "rules/Product.h"

#include <string>

// The radio's state: application-wide, it outlives every radio window.
namespace sonavia::radio {

inline std::string currentStationName;
// The player accepted the last stream address.
inline bool playing = false;
// Cleared when the player reports that buffering starts, set when buffering ends.
inline bool streamPlaying = false;
// Set the first time buffering ends; never cleared.
inline bool bufferingFinished = false;
inline bool muted = false;
inline int currentVolume = kDefaultVolume;
// The cursor is over the "Random Channel" button.
inline bool filmHover = false;
// Degrees added to the hue of every pixel of the hue-shifted skin pictures.
inline int interfaceHue = kDefaultHue;

} // namespace sonavia::radio
