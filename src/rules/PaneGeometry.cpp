#include "rules/PaneGeometry.h"

#include <algorithm>

namespace sonavia {

namespace {

// The rectangle with its right and bottom edges no further left or up than its left and top.
EdgeRect NotTurnedOver(EdgeRect rect) {
    rect.right = std::max(rect.right, rect.left);
    rect.bottom = std::max(rect.bottom, rect.top);
    return rect;
}

} // namespace

EdgeRect AtTopEdge(const EdgeRect& window) {
    return {window.left, 0, window.right, window.Height()};
}

EdgeRect BrowserPaneRect(const EdgeRect& window, int screenHeight) {
    return NotTurnedOver({window.left + kPaneSideInset, window.bottom - kPaneOverlap,
                          window.right - kPaneSideInset, screenHeight - kPaneScreenMargin});
}

EdgeRect BrowserViewRect(const EdgeRect& window, int screenHeight) {
    // The pane is 2 × 12 narrower than the window and reaches from 8 above the window's bottom
    // to 32 above the screen's bottom; the view leaves 6 on every side of it.
    constexpr int kViewWidthLoss = 2 * kPaneSideInset + kPaneViewMargin;
    constexpr int kViewHeightLoss = kPaneScreenMargin - kPaneOverlap + kPaneViewMargin;
    return NotTurnedOver({kPaneViewMargin, kPaneViewMargin, window.Width() - kViewWidthLoss,
                          screenHeight - window.bottom - kViewHeightLoss});
}

} // namespace sonavia
