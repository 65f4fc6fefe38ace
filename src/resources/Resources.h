#pragma once

// The program's icons, cursors and the station tree's pictures. The skin renderer draws them at
// build time and they are compiled in as Qt resources under kResourcePrefix.

#include <array>
#include <string_view>

namespace sonavia::resources {

inline constexpr std::string_view kResourcePrefix = ":/sonavia/";

// Tray icon frames, 32 x 32, in the order the tray animation shows them.
inline constexpr int kTrayIconFrameCount = 5;
inline constexpr int kTrayIconSize = 32;
inline constexpr std::array<const char*, kTrayIconFrameCount> kTrayIconFrames{
    ":/sonavia/tray1.png", ":/sonavia/tray2.png", ":/sonavia/tray3.png", ":/sonavia/tray4.png",
    ":/sonavia/tray5.png"};

// The radio window's icon, large and small alike.
inline constexpr char kWindowIcon[] = ":/sonavia/window.png";

// The radio window's cursor, and the one shown while a button is held on its background (the
// window is being dragged). Hot spots in pixels from the top-left corner.
inline constexpr char kCursorNormal[] = ":/sonavia/cursor-normal.png";
inline constexpr int kCursorNormalHotX = 2;
inline constexpr int kCursorNormalHotY = 2;
inline constexpr char kCursorPressed[] = ":/sonavia/cursor-pressed.png";
inline constexpr int kCursorPressedHotX = 16;
inline constexpr int kCursorPressedHotY = 16;

// The station tree's images, 11 x 12 with a transparent background: an entry as listed
// (image 0), as selected (image 1), and a station that could not be reached, selected or not.
inline constexpr int kTreeBitmapWidth = 11;
inline constexpr int kTreeBitmapHeight = 12;
inline constexpr char kTreeClosed[] = ":/sonavia/tree-closed.png";
inline constexpr char kTreeSelected[] = ":/sonavia/tree-selected.png";
inline constexpr char kTreeFailed[] = ":/sonavia/tree-failed.png";

} // namespace sonavia::resources
