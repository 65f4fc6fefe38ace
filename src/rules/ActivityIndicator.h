#pragma once

#include "rules/PaintShapes.h"

namespace sonavia {

// The data activity box: each step either clears the box dark grey or grows a light grey bar
// in it from the bottom up, two rows a step; when the bar fills the box, the next step clears it.
inline constexpr PaintRect kActivityBox{425, 96, 45, 45};
inline constexpr PaintRgb kActivityClear{75, 75, 75};
inline constexpr PaintRgb kActivityBar{232, 232, 232};

struct ActivityIndicator {
    enum State { Growing = 1, Clearing = 2 };
    State state = Growing;
    int step = 0;
};

// Makes one step of the indicator and returns the fill the window paints for it.
PaintFill StepActivity(ActivityIndicator& indicator);

// After a random play from the window, the next step clears the box.
void ResetActivity(ActivityIndicator& indicator);

} // namespace sonavia
