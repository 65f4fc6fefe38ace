#include "rules/ActivityIndicator.h"

namespace sonavia {

namespace {

constexpr int kStepGrowth = 2;
// The bar's top is kBarBaseTop − step and its height step + kBarBaseHeight, so its bottom stays
// at the box's bottom; once its top is above kFullTop the bar fills the box.
constexpr int kBarBaseTop = 131;
constexpr int kBarBaseHeight = 10;
constexpr int kFullTop = 98;

} // namespace

PaintFill StepActivity(ActivityIndicator& indicator) {
    PaintFill fill;
    if (indicator.state == ActivityIndicator::Clearing) {
        fill = {kActivityBox, kActivityClear};
        indicator.state = ActivityIndicator::Growing;
        indicator.step = 0;
    } else {
        const int top = kBarBaseTop - indicator.step;
        fill = {{kActivityBox.left, top, kActivityBox.width, indicator.step + kBarBaseHeight},
                kActivityBar};
        if (top < kFullTop) {
            indicator.state = ActivityIndicator::Clearing;
            indicator.step = 0;
        }
    }
    indicator.step += kStepGrowth;
    return fill;
}

void ResetActivity(ActivityIndicator& indicator) {
    indicator.state = ActivityIndicator::Clearing;
    indicator.step = 0;
}

} // namespace sonavia
