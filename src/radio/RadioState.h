#pragma once

#include "rules/FadeIn.h"
#include "rules/Product.h"

#include <string>

// The radio's state: application-wide, it outlives every radio window. Each value names the code
// that writes it; everything else only reads it.
namespace sonavia::radio {

// The name of the station played last. Written by the play operations (RadioPlayback,
// CStation's random play) and by the station tree's choice (CMediaView).
inline std::string currentStationName;
// The player accepted the last stream address. Written by the play operations and by
// stop or resume.
inline bool playing = false;
// Cleared when the player reports that buffering starts, set when buffering ends. Written by
// RadioPlayback's buffering handler, and cleared by the window's random play.
inline bool streamPlaying = false;
// Set the first time buffering ends; never cleared. Written by RadioPlayback.
inline bool bufferingFinished = false;
// The player's mute is on. Written by the radio window's mute and volume handlers.
inline bool muted = false;
// The last volume the player accepted. Written wherever the player's volume is set.
inline int currentVolume = kDefaultVolume;
// The fade-in after a start: its next step is kept between openings of the radio window, so
// that only the first opening of a run fades. Written by the radio window.
inline FadeIn fade{kDefaultVolume, 0, false};
// The cursor is over the "Random Channel" button. Written by the radio window.
inline bool filmHover = false;
// Degrees added to the hue of every pixel of the hue-shifted skin pictures. Written by the
// radio window (iface.dat and the hue slider).
inline int interfaceHue = kDefaultHue;
// The first random pick of this run has happened (at start-up or in the radio window).
// Written by the base window's start-up and by the radio window.
inline bool randomPickDone = false;
// The browser pane was open when the radio window was last closed. Written by the pane.
inline bool browserPaneOpen = false;

} // namespace sonavia::radio
