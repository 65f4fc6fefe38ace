#include "player/RecordingWriter.h"

#include "player/OggPages.h"
#include "player/PlayerLog.h"
#include "rules/RecordingName.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <optional>
#include <system_error>
#include <thread>
#include <unistd.h>

namespace sonavia {

namespace {

constexpr char kPartExtension[] = ".part";
// Names tried for one file before the folder is taken to be unwritable.
constexpr int kMaxNameTries = 1000;
constexpr mode_t kFileMode = 0644;
constexpr char kDiskFull[] = "the disk is full";
constexpr char kFolderNotWritable[] = "the music folder cannot be written";
constexpr char kDiskTooSlow[] = "the disk cannot keep up";
// An Ogg stream from a server that starts a new chain where the title changes: what has come of
// the chain, up to this much, moves into the title's own file when the title arrives.
constexpr std::size_t kMaxChainCarry = 1024 * 1024;

std::string ReasonFor(int error) {
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return kDiskFull;
    case EACCES:
    case EPERM:
    case EROFS:
        return kFolderNotWritable;
    default:
        return std::generic_category().message(error);
    }
}

QString Shown(const std::filesystem::path& path) {
    return QString::fromStdString(path.string());
}

} // namespace

struct RecordingWriter::Item {
    enum class Kind { Data, Begin, Next };
    Kind kind = Kind::Data;
    // Data: the stream's bytes; Next: the title.
    std::string bytes;
    RecordedFormat format;
};

struct RecordingWriter::Queue {
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<Item> items;
    std::size_t bytes = 0;
    // Takes nothing more: the recording is finishing, or has failed.
    bool closed = false;
    bool finishAsked = false;
};

// The files of a recording, on the writer's thread only.
class RecordingWriter::Files {
public:
    Files(std::filesystem::path folder, std::string title)
        : folder_(std::move(folder)), title_(std::move(title)) {}
    ~Files() { Close(); }
    Files(const Files&) = delete;
    Files& operator=(const Files&) = delete;

    void Take(Item& item) {
        switch (item.kind) {
        case Item::Kind::Begin:
            Close();
            format_ = std::move(item.format);
            pages_.Reset();
            headers_.clear();
            demuxerHeaders_.clear();
            inHeaders_ = false;
            cutPending_ = false;
            chainAt_.reset();
            break;
        case Item::Kind::Next:
            title_ = std::move(item.bytes);
            // An Ogg stream is cut where its latest chain began, else at its next page; any other
            // at once.
            if (format_ && format_->ogg && fd_ >= 0 && chainAt_) {
                MoveChainToNextFile();
            } else if (format_ && format_->ogg && fd_ >= 0) {
                cutPending_ = true;
            } else {
                Close();
            }
            break;
        case Item::Kind::Data:
            if (!format_ || Failed()) {
                break;
            }
            if (format_->ogg) {
                pages_.Take(item.bytes);
                while (!Failed()) {
                    std::optional<OggPage> page = pages_.Next();
                    if (!page) {
                        break;
                    }
                    TakeOggPage(*page);
                }
            } else if (fd_ >= 0 || Open()) {
                Put(item.bytes);
            }
            break;
        }
    }

    // Ends the file under way: it takes its own name, or goes when it holds nothing.
    void Close() {
        if (fd_ < 0) {
            return;
        }
        ::close(fd_);
        fd_ = -1;
        if (written_ == 0) {
            std::filesystem::remove(part_);
            return;
        }
        for (int n = 1; n <= kMaxNameTries; ++n) {
            const std::filesystem::path named = folder_ / (NameFor(n) + extension_);
            if (::renameat2(AT_FDCWD, part_.c_str(), AT_FDCWD, named.c_str(), RENAME_NOREPLACE) ==
                0) {
                qCInfo(lcPlayer) << "Recorded" << Shown(named);
                return;
            }
            if (errno != EEXIST) {
                break;
            }
        }
        qCWarning(lcPlayer) << "A recording keeps its name" << Shown(part_) << ":"
                            << std::strerror(errno);
    }

    bool Failed() const { return !failure_.empty(); }
    const std::string& Failure() const { return failure_; }

private:
    std::string NameFor(int n) const {
        return n == 1 ? stem_ : stem_ + " (" + std::to_string(n) + ")";
    }

    bool Open() {
        std::error_code error;
        std::filesystem::create_directories(folder_, error);
        if (error) {
            Fail(error.value(), folder_);
            return false;
        }
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        stem_ = RecordingStem(local, title_);
        extension_ = "." + format_->extension;
        written_ = 0;
        chainAt_.reset();
        for (int n = 1; n <= kMaxNameTries; ++n) {
            const std::string name = NameFor(n) + extension_;
            if (std::filesystem::exists(folder_ / name, error)) {
                continue;
            }
            part_ = folder_ / (name + kPartExtension);
            fd_ = ::open(part_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kFileMode);
            if (fd_ >= 0) {
                qCInfo(lcPlayer) << "Recording into" << Shown(part_);
                return true;
            }
            if (errno != EEXIST) {
                break;
            }
        }
        Fail(errno, part_);
        return false;
    }

    void Put(std::string_view bytes) {
        while (!bytes.empty()) {
            const ssize_t done = ::write(fd_, bytes.data(), bytes.size());
            if (done < 0) {
                if (errno == EINTR) {
                    continue;
                }
                Fail(errno, part_);
                return;
            }
            bytes.remove_prefix(static_cast<std::size_t>(done));
            written_ += static_cast<std::size_t>(done);
        }
    }

    // Every file of an Ogg stream starts with its stream's headers: those of the chain under way
    // as they were received, else the demuxer's; until either is known nothing is written.
    void TakeOggPage(const OggPage& page) {
        // A chain's first pages all begin a logical stream.
        const bool chainStarts = page.begins && !inChainStart_;
        inChainStart_ = page.begins;
        bool header = true;
        if (page.begins) {
            if (!inHeaders_) {
                headers_.clear();
            }
            inHeaders_ = true;
            headers_ += page.bytes;
        } else if (inHeaders_ && (page.granule == 0 || page.granule == kOggNoGranule)) {
            headers_ += page.bytes;
        } else {
            inHeaders_ = false;
            header = false;
        }
        if (std::exchange(cutPending_, false)) {
            Close();
        }
        if (fd_ >= 0) {
            if (chainStarts) {
                chainAt_ = written_;
                chain_.clear();
            }
            if (chainAt_) {
                chain_ += page.bytes;
                if (chain_.size() > kMaxChainCarry) {
                    chainAt_.reset();
                }
            }
            Put(page.bytes);
            return;
        }
        if (header) {
            // The headers so far end with this page.
            if (Open()) {
                Put(headers_);
            }
            return;
        }
        if (headers_.empty() && demuxerHeaders_.empty() && !format_->oggHeaders.empty()) {
            demuxerHeaders_ = OggHeaderPages(format_->oggHeaders, page.serial);
        }
        const std::string& prefix = headers_.empty() ? demuxerHeaders_ : headers_;
        if (!prefix.empty() && Open()) {
            Put(prefix);
            Put(page.bytes);
        }
    }

    // The file ends where the chain under way began, and the chain starts the next one.
    void MoveChainToNextFile() {
        const std::size_t at = *std::exchange(chainAt_, std::nullopt);
        if (::ftruncate(fd_, static_cast<off_t>(at)) != 0) {
            cutPending_ = true;
            return;
        }
        written_ = at;
        Close();
        if (Open()) {
            Put(chain_);
        }
    }

    void Fail(int error, const std::filesystem::path& path) {
        failure_ = ReasonFor(error);
        qCWarning(lcPlayer) << "Recording stopped:" << Shown(path) << ":" << std::strerror(error);
        Close();
    }

    const std::filesystem::path folder_;
    std::string title_;
    std::optional<RecordedFormat> format_;
    int fd_ = -1;
    std::string stem_;
    std::string extension_;
    std::filesystem::path part_;
    std::size_t written_ = 0;
    std::string failure_;
    OggPageReader pages_;
    // The header pages of the Ogg chain under way, and whether its headers are still coming.
    std::string headers_;
    bool inHeaders_ = false;
    std::string demuxerHeaders_;
    bool cutPending_ = false;
    // Where in the file the latest chain began, when it began after the file's start, and the
    // chain's pages so far; whether the last page began a chain.
    std::optional<std::size_t> chainAt_;
    std::string chain_;
    bool inChainStart_ = false;
};

RecordingWriter::RecordingWriter(std::filesystem::path folder, std::string title,
                                 EndedHandler ended)
    : queue_(std::make_shared<Queue>()) {
    auto done = std::make_shared<std::promise<void>>();
    finished_ = done->get_future().share();
    // The thread holds what it works on: it finishes on its own, whoever goes first.
    std::thread([queue = queue_, done, folder = std::move(folder), title = std::move(title),
                 ended = std::move(ended)]() mutable {
        std::string reason;
        {
            Files files(std::move(folder), std::move(title));
            bool last = false;
            while (!last && !files.Failed()) {
                std::deque<Item> batch;
                {
                    std::unique_lock lock(queue->mutex);
                    queue->wake.wait(lock, [&] { return !queue->items.empty() || queue->closed; });
                    batch.swap(queue->items);
                    queue->bytes = 0;
                    last = queue->closed;
                }
                for (Item& item : batch) {
                    files.Take(item);
                }
            }
            std::lock_guard lock(queue->mutex);
            queue->closed = true;
            if (!queue->finishAsked) {
                reason = files.Failed() ? files.Failure() : std::string(kDiskTooSlow);
            }
        }
        if (!reason.empty()) {
            ended(reason);
        }
        done->set_value();
    }).detach();
}

RecordingWriter::~RecordingWriter() {
    Finish();
}

bool RecordingWriter::BeginStream(RecordedFormat format) {
    std::lock_guard lock(queue_->mutex);
    if (queue_->closed) {
        return false;
    }
    queue_->items.push_back({Item::Kind::Begin, {}, std::move(format)});
    queue_->wake.notify_one();
    return true;
}

bool RecordingWriter::Write(const void* data, std::size_t size) {
    std::lock_guard lock(queue_->mutex);
    if (queue_->closed) {
        return false;
    }
    if (queue_->bytes + size > kMaxQueuedBytes) {
        queue_->closed = true;
        qCWarning(lcPlayer) << "Recording stopped: the disk fell" << kMaxQueuedBytes / 1024
                            << "KiB behind the stream";
    } else {
        queue_->items.push_back({Item::Kind::Data, {static_cast<const char*>(data), size}, {}});
        queue_->bytes += size;
    }
    queue_->wake.notify_one();
    return !queue_->closed;
}

void RecordingWriter::NextFile(std::string title) {
    std::lock_guard lock(queue_->mutex);
    if (!queue_->closed) {
        queue_->items.push_back({Item::Kind::Next, std::move(title), {}});
        queue_->wake.notify_one();
    }
}

std::shared_future<void> RecordingWriter::Finish() {
    std::lock_guard lock(queue_->mutex);
    if (!queue_->closed) {
        queue_->finishAsked = true;
        queue_->closed = true;
        queue_->wake.notify_one();
    }
    return finished_;
}

} // namespace sonavia
