#include "startup/SingleInstance.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <string>
#include <sys/file.h>
#include <unistd.h>

namespace sonavia {

std::filesystem::path SingleInstanceLock::LockPath(std::string_view name) {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    std::error_code error;
    std::filesystem::path folder =
        runtime && *runtime && std::filesystem::is_directory(runtime, error)
            ? std::filesystem::path(runtime)
            : std::filesystem::temp_directory_path(error);
    if (error) {
        folder = "/tmp";
    }
    return folder / (std::string(name) + ".lock");
}

SingleInstanceLock::SingleInstanceLock(std::string_view name) {
    // Close-on-exec: helper processes must never inherit the lock and outlive the program with it.
    fd_ = ::open(LockPath(name).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) {
        return; // without a lock file nothing can be known; the program runs
    }
    int rc;
    do {
        rc = ::flock(fd_, LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    anotherRuns_ = rc != 0 && errno == EWOULDBLOCK;
}

SingleInstanceLock::~SingleInstanceLock() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

} // namespace sonavia
