#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <list>
#include <memory>
#include <stop_token>
#include <thread>

namespace sonavia {

// Runs requests (the catalogue server's, the player's playlist reads) off the interface thread.
// Each request gets a thread of its own and a stop token; its result is handed back on the
// interface thread, to a receiver that may have gone meanwhile (then it is dropped). Going, the
// object asks every request to stop and waits for them, which takes a fraction of a second: no
// request outlives it, so none is left inside libcurl when the program releases the library.
class RequestWorkers : public QObject {
public:
    RequestWorkers();
    ~RequestWorkers() override;
    RequestWorkers(const RequestWorkers&) = delete;
    RequestWorkers& operator=(const RequestWorkers&) = delete;

    // Runs `work` on a thread of its own, then `done` with its result on the interface thread,
    // unless `receiver` has gone or the workers are stopping.
    template <typename Result>
    void Run(QObject* receiver, std::function<Result(std::stop_token)> work,
             std::function<void(Result)> done) {
        Start([this, alive = QPointer<QObject>(receiver), work = std::move(work),
               done = std::move(done)](std::stop_token stop) mutable {
            Result result = work(stop);
            if (stop.stop_requested()) {
                return;
            }
            Deliver([alive = std::move(alive), done = std::move(done),
                     result = std::move(result)]() mutable {
                if (alive != nullptr) {
                    done(std::move(result));
                }
            });
        });
    }

    // Asks every request under way to stop and waits until each has ended.
    void StopAll();
    // Asks every request under way to stop without waiting: none delivers its result, and each
    // is joined once it has ended (by the next Run, or when the workers go).
    void CancelAll();

    // Requests under way.
    int Running() const;

private:
    struct Job;
    void Start(std::function<void(std::stop_token)> body);
    // Queues `call` to the interface thread; safe from any thread while the object lives.
    void Deliver(std::function<void()> call);
    // Joins the threads whose work has ended.
    void Reap();

    std::list<std::unique_ptr<Job>> jobs_;
};

} // namespace sonavia
