#pragma once

#include <chrono>
#include <optional>

namespace sonavia {

// The volume fade-in after the radio window opens: one volume step per timer tick, up to the
// volume of the settings. The level survives between openings, so only the first opening of a
// run fades; later ones set the volume at once.
struct FadeIn {
    int target = 0;
    int level = 0; // the next volume the fade sets
    bool active = false;
};

// The fade's first step that is heard, set as the stream plays (at the program's start, already
// with the open).
inline constexpr int kFirstHeardVolume = 1;

// One step of the fade every this long: at 50 steps, the default volume comes up in 2.5 s.
inline constexpr std::chrono::milliseconds kFadeStepInterval{50};

// Starts a fade towards `target` (taken into 0..100), keeping the level reached so far.
void StartFade(FadeIn& fade, int target);

// What one tick asks of the window: set the player's volume (and, when it accepts, remember it
// as the current volume), move the volume slider, or nothing.
struct FadeTick {
    std::optional<int> volume;
    std::optional<int> slider;
    bool ended = false;
};

// One timer tick. Nothing happens until the first buffering of the run has finished. While the
// level is at most the target, slider and volume take the level and the level rises by one
// (the fade ends at 100); a level above the target sets the volume to the target and ends it.
FadeTick StepFade(FadeIn& fade, bool bufferingFinished);

// The fade-out before the sleep timer stops the radio: from the volume that plays down to
// silence in even steps, one every kFadeStepInterval, so that it lasts the length asked for.
struct FadeOut {
    int from = 0;
    int steps = 0;
    int step = 0;
    bool active = false;
};

void StartFadeOut(FadeOut& fade, int from, std::chrono::milliseconds length);
// The volume of the next step; silence once the last step is reached.
int StepFadeOut(FadeOut& fade);
inline bool FadeOutDone(const FadeOut& fade) {
    return fade.step >= fade.steps;
}

} // namespace sonavia
