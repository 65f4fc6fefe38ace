#pragma once

#include "components/PlayerEngine.h"

#include <string>
#include <vector>

namespace sonavia::test {

// A player that plays nothing: it accepts every address and every volume, and records them, so
// that the radio's logic can be driven without GStreamer. Tests emit its signals themselves.
class FakeEngine : public PlayerEngine {
public:
    bool OpenStation(const std::string& address) override {
        volumes.push_back(0);
        return OpenAddress(address);
    }
    bool OpenAddress(const std::string& address) override {
        opened.push_back(address);
        return !address.empty();
    }
    bool Stop() override {
        ++stops;
        return true;
    }
    bool SetVolume(int volume) override {
        volumes.push_back(volume);
        return volume >= 0 && volume <= 100;
    }
    bool SetMute(bool mute) override {
        muted = mute;
        return true;
    }
    std::uint64_t ReceivedPackets() const override { return packets; }

    std::vector<std::string> opened;
    std::vector<int> volumes;
    int stops = 0;
    bool muted = false;
    std::uint64_t packets = 0;
};

} // namespace sonavia::test
