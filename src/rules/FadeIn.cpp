#include "rules/FadeIn.h"

#include "rules/Product.h"

#include <algorithm>

namespace sonavia {

void StartFade(FadeIn& fade, int target) {
    fade.target = std::clamp(target, 0, kMaxVolume);
    fade.active = true;
}

FadeTick StepFade(FadeIn& fade, bool bufferingFinished) {
    FadeTick tick;
    if (!fade.active || !bufferingFinished) {
        return tick;
    }
    if (fade.level <= fade.target) {
        tick.volume = fade.level;
        tick.slider = fade.level;
        ++fade.level;
        if (fade.level > kMaxVolume) {
            fade.level = kMaxVolume;
            fade.active = false;
        }
    } else {
        tick.volume = fade.target;
        fade.active = false;
    }
    tick.ended = !fade.active;
    return tick;
}

} // namespace sonavia
