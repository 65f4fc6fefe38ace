#pragma once

namespace sonavia {

class CSkinButton;

namespace controls {

// The skin button whose tooltip was shown last, so that the window hides that tooltip before it
// shows another one. Written by CSkinButton only; a button clears it when it goes.
inline CSkinButton* tooltipOwner = nullptr;

} // namespace controls

} // namespace sonavia
