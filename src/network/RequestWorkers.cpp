#include "network/RequestWorkers.h"

#include <atomic>

namespace sonavia {

struct RequestWorkers::Job {
    std::atomic<bool> ended{false};
    std::jthread thread;
};

RequestWorkers::RequestWorkers() = default;

RequestWorkers::~RequestWorkers() {
    StopAll();
}

void RequestWorkers::Start(std::function<void(std::stop_token)> body) {
    Reap();
    auto job = std::make_unique<Job>();
    Job& started = *job;
    jobs_.push_back(std::move(job));
    started.thread = std::jthread([&started, body = std::move(body)](std::stop_token stop) {
        body(stop);
        started.ended = true;
    });
}

void RequestWorkers::Deliver(std::function<void()> call) {
    QMetaObject::invokeMethod(this, std::move(call), Qt::QueuedConnection);
}

void RequestWorkers::Reap() {
    jobs_.remove_if([](const std::unique_ptr<Job>& job) { return job->ended.load(); });
}

void RequestWorkers::StopAll() {
    for (const auto& job : jobs_) {
        job->thread.request_stop();
    }
    // A jthread joins as it goes.
    jobs_.clear();
}

void RequestWorkers::CancelAll() {
    for (const auto& job : jobs_) {
        job->thread.request_stop();
    }
    Reap();
}

int RequestWorkers::Running() const {
    int running = 0;
    for (const auto& job : jobs_) {
        running += job->ended.load() ? 0 : 1;
    }
    return running;
}

} // namespace sonavia
