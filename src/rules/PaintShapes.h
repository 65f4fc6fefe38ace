#pragma once

#include <cstdint>

namespace sonavia {

// A colour for the window to fill with, as red, green and blue.
struct PaintRgb {
    std::uint8_t red = 0;
    std::uint8_t green = 0;
    std::uint8_t blue = 0;
    friend bool operator==(const PaintRgb&, const PaintRgb&) = default;
};

// A rectangle in window coordinates: left and top edge, width and height in pixels.
struct PaintRect {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    int Right() const { return left + width; }  // first column past the rectangle
    int Bottom() const { return top + height; } // first row past the rectangle
    friend bool operator==(const PaintRect&, const PaintRect&) = default;
};

// One fill the window makes: this rectangle in this colour.
struct PaintFill {
    PaintRect rect;
    PaintRgb colour;
    friend bool operator==(const PaintFill&, const PaintFill&) = default;
};

} // namespace sonavia
