#include "localfiles/AtomicFile.h"

#include "localfiles/LocalFilesLog.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace sonavia {

bool WriteFileAtomically(const std::filesystem::path& path, std::string_view bytes) {
    std::string temporary = path.string() + ".XXXXXX";
    const auto failed = [&path](const char* step) {
        qCWarning(lcLocalFiles) << path.c_str() << "cannot be written:" << step << "failed,"
                                << std::strerror(errno);
        return false;
    };
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        return failed("making a temporary file");
    }
    bool ok = ::fchmod(fd, 0644) == 0;
    const char* step = ok ? "writing" : "setting its mode";
    std::size_t written = 0;
    while (ok && written < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + written, bytes.size() - written);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        ok = n > 0;
        if (ok) {
            written += static_cast<std::size_t>(n);
        }
    }
    if (ok) {
        step = "flushing to the disk";
        ok = ::fsync(fd) == 0;
    }
    if (::close(fd) != 0 && ok) {
        step = "closing";
        ok = false;
    }
    if (ok) {
        step = "renaming into place";
        ok = ::rename(temporary.c_str(), path.c_str()) == 0;
    }
    if (ok) {
        return true;
    }
    const int error = errno;
    ::unlink(temporary.c_str());
    errno = error;
    return failed(step);
}

} // namespace sonavia
