#include "localfiles/RegularFile.h"

#include "localfiles/LocalFilesLog.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace sonavia {

namespace {

constexpr std::size_t kGrowthBytes = 64 * 1024;

// Closes the descriptor when the read ends, however it ends.
class FileDescriptor {
public:
    explicit FileDescriptor(int fd) : fd_(fd) {}
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    int Get() const { return fd_; }

private:
    int fd_;
};

} // namespace

std::optional<std::string> ReadRegularFile(const std::filesystem::path& path, std::size_t limit) {
    const auto failed = [&path](const char* step) -> std::optional<std::string> {
        qCWarning(lcLocalFiles) << path.c_str() << "is taken as missing:" << step;
        return std::nullopt;
    };
    const FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (file.Get() < 0) {
        return errno == ENOENT ? std::nullopt : failed(std::strerror(errno));
    }
    struct stat status {};
    if (::fstat(file.Get(), &status) != 0) {
        return failed(std::strerror(errno));
    }
    if (!S_ISREG(status.st_mode)) {
        return failed("not a regular file");
    }
    // Room for what the file holds now, within the limit; a file that grows meanwhile gets more,
    // a piece at a time, so that a large limit costs nothing for a small file.
    std::string text(std::min(limit, static_cast<std::size_t>(std::max<off_t>(status.st_size, 0))),
                     '\0');
    std::size_t filled = 0;
    while (filled < limit) {
        if (filled == text.size()) {
            text.resize(std::min(limit, filled + kGrowthBytes));
        }
        const ssize_t n = ::read(file.Get(), text.data() + filled, text.size() - filled);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n < 0) {
            return failed(std::strerror(errno));
        }
        if (n == 0) {
            break;
        }
        filled += static_cast<std::size_t>(n);
    }
    text.resize(filled);
    return text;
}

} // namespace sonavia
