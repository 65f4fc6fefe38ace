#pragma once

namespace sonavia {

// What the skinned controls ask of the open radio window. The radio window implements it and
// registers itself as controls::openRadioWindow while it is open.
class RadioWindowHooks {
public:
    // Applies controls::pendingHue as the new interface hue: the skin, the hue-shifted buttons
    // and the layout are rebuilt and the hue is saved.
    virtual void ApplyPendingHue() = 0;
    // The mute operation: switches the player's mute on when radio::muted is false and off when
    // it is true, then inverts radio::muted.
    virtual void ToggleMute() = 0;

protected:
    ~RadioWindowHooks() = default;
};

} // namespace sonavia
