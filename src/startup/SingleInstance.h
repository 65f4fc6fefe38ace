#pragma once

#include <filesystem>
#include <string_view>

namespace sonavia {

// The name that every instance of the program locks.
inline constexpr char kInstanceMutexName[] = "{51RE8H8R1-RDC6-50b5-99O1-WSD98UY67EKL6487}";

// An exclusive lock on a file named after the instance name, held for the object's life. The
// kernel drops it when the process ends in any way, so a crashed instance never blocks the next.
class SingleInstanceLock {
public:
    explicit SingleInstanceLock(std::string_view name = kInstanceMutexName);
    ~SingleInstanceLock();
    SingleInstanceLock(const SingleInstanceLock&) = delete;
    SingleInstanceLock& operator=(const SingleInstanceLock&) = delete;

    // True when another process held the lock when this one was created.
    bool AnotherInstanceRuns() const { return anotherRuns_; }

    // The lock file: in the user's runtime directory, else the temporary directory.
    static std::filesystem::path LockPath(std::string_view name);

private:
    int fd_ = -1;
    bool anotherRuns_ = false;
};

} // namespace sonavia
