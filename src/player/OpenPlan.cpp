#include "player/OpenPlan.h"

#include "player/AddressKind.h"

#include <algorithm>

namespace sonavia {

namespace {

// The back-off stops doubling long before this; the bound keeps the shift in range.
constexpr int kMaxBackOffDoublings = 8;

bool ReadFirst(const std::string& uri) {
    return IsWebAddress(uri) && HasPlaylistName(uri);
}

} // namespace

void OpenPlan::Accept(std::string uri, bool localSource) {
    address_ = std::move(uri);
    localSource_ = localSource;
    backOffs_ = 0;
    drops_.clear();
    flapping_ = false;
}

void OpenPlan::Begin(bool reconnect, TimePoint now) {
    ++number_;
    reconnecting_ = reconnect;
    candidates_.clear();
    candidates_.push_back({address_, 0, ReadFirst(address_), false});
    downloadsLeft_ = kMaxDownloads;
    streamsLeft_ = kMaxStreams;
    deadline_ = now + kTimeLimit;
    phase_ = Phase::Reading;
}

OpenPlan::Step OpenPlan::Next(TimePoint now) {
    while (!candidates_.empty() && now < deadline_) {
        Candidate candidate = std::move(candidates_.front());
        candidates_.pop_front();
        if (candidate.readFirst) {
            // Depth and count are known before the download, so none is wasted.
            if (candidate.depth < kMaxPlaylistDepth && downloadsLeft_ > 0) {
                --downloadsLeft_;
                phase_ = Phase::Reading;
                current_ = candidate;
                return {Action::Read, std::move(candidate), {}};
            }
            continue;
        }
        if (streamsLeft_ > 0) {
            --streamsLeft_;
            current_ = candidate;
            return {Action::Play, std::move(candidate), {}};
        }
    }
    return End(now);
}

void OpenPlan::PlaylistRead(const Candidate& candidate, bool playlist,
                            const std::vector<std::string>& entries) {
    if (playlist) {
        for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
            candidates_.push_front({*entry, candidate.depth + 1, ReadFirst(*entry), false});
        }
    } else if (!candidate.read) {
        // Not a playlist after all: the pipeline gets the address itself.
        candidates_.push_front({candidate.uri, candidate.depth, false, true});
    }
}

void OpenPlan::Started(TimePoint now) {
    phase_ = Phase::Starting;
    attemptStart_ = now;
}

void OpenPlan::AttemptFailed(bool notMedia) {
    if (notMedia && !current_.read && IsWebAddress(current_.uri)) {
        candidates_.push_front({current_.uri, current_.depth, true, true});
    }
}

void OpenPlan::MarkPlaying(TimePoint now, std::uint64_t progress) {
    // A brief play does not end a back-off: only a steady one forgets the drops (see Dropped).
    phase_ = Phase::Playing;
    playingSince_ = now;
    candidates_.clear();
    ++number_;
    progressMark_ = progress;
    lastProgress_ = now;
}

OpenPlan::Verdict OpenPlan::Watch(TimePoint now, std::uint64_t progress, bool audioDecoded) {
    switch (phase_) {
    case Phase::Idle:
    case Phase::Reading:
        // A download ends by its own time limit, which is the open's.
        return Verdict::None;
    case Phase::Starting:
        if (audioDecoded) {
            MarkPlaying(now, progress);
            return Verdict::Playing;
        }
        if (now >= deadline_) {
            candidates_.clear();
            return Verdict::TimedOut;
        }
        return now - attemptStart_ >= kFirstAudioTime ? Verdict::AttemptFailed : Verdict::None;
    case Phase::Playing:
        if (progress != progressMark_) {
            progressMark_ = progress;
            lastProgress_ = now;
            return Verdict::None;
        }
        return now - lastProgress_ >= kStallTime ? Verdict::Stalled : Verdict::None;
    }
    return Verdict::None;
}

void OpenPlan::Dropped(TimePoint now) {
    if (phase_ == Phase::Playing && now - playingSince_ >= kSteadyPlayTime) {
        drops_.clear();
        flapping_ = false;
    }
    ++number_;
    phase_ = Phase::Idle;
    droppedAt_ = now;
    while (!drops_.empty() && now - drops_.front() >= kGiveUpWindow) {
        drops_.pop_front();
    }
    drops_.push_back(now);
    const auto recent = std::count_if(drops_.begin(), drops_.end(), [now](TimePoint drop) {
        return now - drop < kFlappingWindow;
    });
    if (flapping_) {
        // The back-off goes on doubling from drop to drop.
        return;
    }
    backOffs_ = 0;
    flapping_ = recent >= kFlappingDrops;
}

OpenPlan::Step OpenPlan::AfterDrop(TimePoint now) {
    // A local file that ends has been played to its end.
    if (localSource_) {
        address_.clear();
        return {};
    }
    return Reconnect(now);
}

OpenPlan::Step OpenPlan::End(TimePoint now) {
    phase_ = Phase::Idle;
    if (reconnecting_) {
        return Reconnect(now);
    }
    address_.clear();
    return {Action::Fail, {}, {}};
}

void OpenPlan::Stop() {
    address_.clear();
    ++number_;
    phase_ = Phase::Idle;
    candidates_.clear();
}

OpenPlan::Step OpenPlan::Reconnect(TimePoint now) {
    if (address_.empty()) {
        return {};
    }
    if (static_cast<int>(drops_.size()) >= kGiveUpDrops) {
        address_.clear();
        phase_ = Phase::Idle;
        return {Action::GiveUp, {}, {}};
    }
    if (!flapping_ && now - droppedAt_ < kQuickReconnectPeriod) {
        return {Action::Reconnect,
                {},
                now - droppedAt_ < kFreshDropPeriod ? kFreshReconnectDelay : kQuickReconnectDelay};
    }
    // The back-off counts from the end of the quick period, so that it starts at its shortest.
    const int doublings = std::min(backOffs_, kMaxBackOffDoublings);
    ++backOffs_;
    return {Action::Reconnect,
            {},
            std::min(flapping_ ? kMaxFlappingDelay : kMaxReconnectDelay,
                     kSlowReconnectDelay * (1 << doublings))};
}

} // namespace sonavia
