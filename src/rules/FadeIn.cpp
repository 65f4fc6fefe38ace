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

void StartFadeOut(FadeOut& fade, int from, std::chrono::milliseconds length) {
    fade.from = std::clamp(from, 0, kMaxVolume);
    fade.steps = std::max<int>(1, static_cast<int>(length / kFadeStepInterval));
    fade.step = 0;
    fade.active = true;
}

int StepFadeOut(FadeOut& fade) {
    fade.step = std::min(fade.step + 1, fade.steps);
    return fade.from * (fade.steps - fade.step) / fade.steps;
}

} // namespace sonavia
