#pragma once

// Where the browser pane goes: below the radio window once that window has moved to the top
// edge of the screen, as wide as the window less 12 pixels each side, down to 32 pixels above
// the bottom of the screen; the web view fills the pane less a 6-pixel margin.
namespace sonavia {

inline constexpr char kBrowserPaneTitle[] = "Sonavia Browser";
// The radio window's "Hide" button while the pane is open.
inline constexpr char kCloseBrowserCaption[] = "Close Browser";

// A rectangle by its edges. `right` and `bottom` lie just outside it (the width is right − left),
// as in the layout tables of the radio window. In Qt it is
// QRect(left, top, right − left, bottom − top); never QRect(QPoint(left, top),
// QPoint(right, bottom)), whose right and bottom edges are inside the rectangle.
struct EdgeRect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;

    constexpr int Width() const { return right - left; }
    constexpr int Height() const { return bottom - top; }
    constexpr bool operator==(const EdgeRect&) const = default;
};

inline constexpr int kPaneSideInset = 12;
inline constexpr int kPaneOverlap = 8; // the pane's top lies this far above the window's bottom
inline constexpr int kPaneScreenMargin = 32; // between the pane's bottom and the screen's bottom
inline constexpr int kPaneViewMargin = 6;

// The radio window's rectangle after it moved to the top edge of the screen (top 0), with the
// same left edge and size.
EdgeRect AtTopEdge(const EdgeRect& window);

// The pane in screen coordinates for the radio window's rectangle `window` (already at the top
// edge) and the screen height. A window too tall for a pane below it gives an empty rectangle
// (height 0) rather than a turned-over one.
EdgeRect BrowserPaneRect(const EdgeRect& window, int screenHeight);

// The web view inside the pane, in the pane's coordinates: the pane less its margin on every
// side; never turned over either.
EdgeRect BrowserViewRect(const EdgeRect& window, int screenHeight);

} // namespace sonavia
