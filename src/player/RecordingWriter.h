#pragma once

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace sonavia {

// What a recorded stream is, for its files.
struct RecordedFormat {
    // Of the files' names: "mp3", "ogg", "aac", ...
    std::string extension;
    // An Ogg stream is cut at its pages, and every file starts with its stream's headers.
    bool ogg = false;
    // The header packets of an Ogg stream whose recording starts after them, as its demuxer knows
    // them; empty when unknown (the first file then starts where the next chain of the stream
    // does).
    std::vector<std::string> oggHeaders;
};

// Writes a stream into files as it is received, on a thread of its own, so that a slow or full
// disk never holds up the thread that hands the stream on. Each file is
// "<folder>/<date> <time> <title>.<extension>", written as "....part" and renamed when it ends;
// it plays to where it ends, whatever ends it. Names already taken get " (2)", " (3)", ...
//
// The stream's thread hands on the bytes (Write), and a new stream at each new connection
// (BeginStream), which starts a new file. Another thread asks for the next file at a change of
// title (NextFile). What is handed on waits in a queue of at most kMaxQueuedBytes; a disk that
// falls that far behind, or a write that fails (a full disk, a folder that cannot be written),
// ends the recording: the file so far is kept and `ended` is called, on the writer's thread,
// with the reason as the user reads it.
class RecordingWriter {
public:
    static constexpr std::size_t kMaxQueuedBytes = 4 * 1024 * 1024;

    using EndedHandler = std::function<void(const std::string& reason)>;

    RecordingWriter(std::filesystem::path folder, std::string title, EndedHandler ended);
    // Ends the recording as Finish does, without waiting.
    ~RecordingWriter();
    RecordingWriter(const RecordingWriter&) = delete;
    RecordingWriter& operator=(const RecordingWriter&) = delete;

    // The stream's thread. Neither waits on the disk; false once the recording has ended.
    bool BeginStream(RecordedFormat format);
    bool Write(const void* data, std::size_t size);

    // From the next point where the stream can be cut, a new file named for `title`.
    void NextFile(std::string title);

    // Ends the recording once what is queued is written; the future is ready when the last file
    // has its name. Only the first call ends it.
    std::shared_future<void> Finish();

private:
    struct Item;
    struct Queue;
    class Files;

    std::shared_ptr<Queue> queue_;
    std::shared_future<void> finished_;
};

} // namespace sonavia
