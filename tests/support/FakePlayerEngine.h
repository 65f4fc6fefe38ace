#pragma once

#include "components/PlayerEngine.h"

#include <cstdint>
#include <string>
#include <vector>

namespace sonavia::test {

// A player that plays nothing: it remembers what it was asked and accepts what a player would.
// Tests emit its signals themselves.
class FakePlayerEngine : public PlayerEngine {
public:
    bool OpenStation(const std::string& address) override {
        return SetVolume(0) && OpenAddress(address);
    }
    bool OpenAddress(const std::string& address) override {
        opened.push_back(address);
        return !address.empty();
    }
    bool Stop() override {
        ++stops;
        return true;
    }
    bool SetVolume(int level) override {
        if (level < 0 || level > 100) {
            return false;
        }
        volume = level;
        return true;
    }
    bool SetMute(bool mute) override {
        muted = mute;
        return true;
    }
    std::uint64_t ReceivedPackets() const override { return packets; }

    std::vector<std::string> opened;
    int stops = 0;
    int volume = 50;
    bool muted = false;
    std::uint64_t packets = 0;
};

} // namespace sonavia::test
