#include "FakePlayer.h"

#include <QTimer>

namespace sonavia {

namespace {

constexpr int kMaxVolume = 100;

} // namespace

bool FakePlayer::OpenAddress(const std::string& address) {
    opened.push_back(address);
    if (address.empty()) {
        return false;
    }
    streaming_ = true;
    packets_ = 0;
    if (reportsBuffering) {
        QTimer::singleShot(0, this, [this] {
            emit Buffering(true);
            emit Buffering(false);
        });
    }
    return true;
}

bool FakePlayer::Stop() {
    ++stops;
    streaming_ = false;
    return true;
}

bool FakePlayer::SetVolume(int level) {
    if (level < 0 || level > kMaxVolume) {
        return false;
    }
    volume = level;
    return true;
}

bool FakePlayer::SetMute(bool mute) {
    muted = mute;
    return true;
}

std::uint64_t FakePlayer::ReceivedPackets() const {
    return streaming_ ? ++packets_ : packets_;
}

} // namespace sonavia
