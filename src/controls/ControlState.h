#pragma once

#include "controls/RadioWindowHooks.h"

namespace sonavia {

class CCheckButton;
class CCoolSlider;
class CSkinButton;

// Values that the skinned controls share with the radio window. They belong to no control, so
// they are plain process-wide values; a control that is registered here clears its entry when it
// goes.
namespace controls {

// The slider that the radio window registered as its hue control.
inline CCoolSlider* colourSlider = nullptr;
// Set when the left button goes down on the colour slider, cleared once a release has applied a
// changed hue.
inline bool colourDrag = false;
// The hue last reported by the colour slider while it moves; the radio window keeps it up to date.
inline int pendingHue = 0;
// The radio window while it is open.
inline RadioWindowHooks* openRadioWindow = nullptr;
// The check box that the radio window registered as its "Mute" box.
inline CCheckButton* muteBox = nullptr;
// The skin button whose tooltip was shown last; the radio window hides that tooltip before it
// shows another one.
inline CSkinButton* tooltipOwner = nullptr;

} // namespace controls

} // namespace sonavia
