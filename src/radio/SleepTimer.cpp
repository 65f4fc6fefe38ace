#include "radio/SleepTimer.h"

#include "radio/RadioLog.h"

#include <QByteArray>
#include <algorithm>

namespace sonavia {

namespace {

constexpr std::chrono::milliseconds kMinute{60000};

std::chrono::milliseconds MinuteLength() {
    bool ok = false;
    const int ms = qEnvironmentVariableIntValue(SleepTimer::kMinuteVariable, &ok);
    return ok && ms > 0 ? std::chrono::milliseconds(ms) : kMinute;
}

} // namespace

SleepTimer::SleepTimer(RadioCore& core, QObject* parent)
    : QObject(parent), core_(core), minute_(MinuteLength()), lastState_(core.State()) {
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &SleepTimer::Tick);
    connect(&core_, &RadioCore::StateChanged, this, &SleepTimer::OnStateChanged);
    connect(&core_, &RadioCore::FadeOutEnded, this, [this] { Set(0); });
}

void SleepTimer::Set(int minutes) {
    minutes = std::max(minutes, 0);
    const int before = std::exchange(minutes_, 0);
    timer_.stop();
    if (std::exchange(fading_, false)) {
        // Any choice during the fade ends it: the sound comes back at the user's volume.
        core_.EndFadeOut();
    }
    if (minutes == 0) {
        if (before != 0) {
            qCInfo(lcRadio) << "sleep timer ended";
            emit Changed();
        }
        return;
    }
    minutes_ = minutes;
    end_ = Clock::now() + minutes_ * minute_;
    qCInfo(lcRadio) << "sleep timer set to" << minutes_ << "min";
    Tick();
}

std::optional<int> SleepTimer::MinutesLeft() const {
    if (minutes_ == 0) {
        return std::nullopt;
    }
    const auto left = std::max(Clock::duration::zero(), end_ - Clock::now());
    return static_cast<int>((left + minute_ - std::chrono::nanoseconds(1)) / minute_);
}

void SleepTimer::Tick() {
    if (minutes_ == 0 || fading_) {
        return;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end_ - Clock::now());
    if (left <= kFadeLength) {
        fading_ = true;
        if (!core_.FadeOutAndStop(std::max(left, std::chrono::milliseconds::zero()))) {
            // Nothing plays: nothing to fade or stop.
            Set(0);
            return;
        }
        emit Changed();
        return;
    }
    // The next whole minute left, or the fade's start when that comes first.
    auto untilMinute = left % minute_;
    if (untilMinute == std::chrono::milliseconds::zero()) {
        untilMinute = minute_;
    }
    timer_.start(std::min(untilMinute, left - kFadeLength));
    emit Changed();
}

void SleepTimer::OnStateChanged() {
    const PlayState state = core_.State();
    // Stopped by the user, or by the timer's own fade: either way it is over.
    if (state == PlayState::Stopped && lastState_ != PlayState::Stopped) {
        Set(0);
    }
    lastState_ = state;
}

} // namespace sonavia
