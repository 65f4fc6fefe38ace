#pragma once

#include "player/PlayerEngine.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sonavia {

// A player that plays nothing, for the tests, the skin previews and the benchmarks: it accepts
// what a player would and remembers what it was asked. After each accepted open it reports, from
// the event loop, that buffering started and ended, and every look at its packets finds one more,
// as a station that streams steadily would; a test that sends the reports itself turns that off.
class FakePlayer : public PlayerEngine {
public:
    using PlayerEngine::PlayerEngine;

    bool OpenAddress(const std::string& address) override;
    bool Stop() override;
    bool SetVolume(int level) override;
    bool SetMute(bool mute) override;
    std::uint64_t ReceivedPackets() const override;

    bool reportsBuffering = true;

    std::vector<std::string> opened;
    int stops = 0;
    int volume = 50;
    bool muted = false;

private:
    bool streaming_ = false;
    mutable std::uint64_t packets_ = 0;
};

} // namespace sonavia
