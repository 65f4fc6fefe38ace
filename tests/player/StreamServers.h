#pragma once

#include "TestSupport.h"

#include <QStringList>
#include <chrono>
#include <filesystem>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

// Real servers on 127.0.0.1 for the player's tests: icecast2 with live test-tone mounts, and a
// plain HTTP server for playlists and pages. Every process started here is stopped by its PID
// when its owner goes, and dies with the test program should that crash.
namespace sonavia::test {

// How a helper waits between checks: a sleep, or running the caller's event loop. Processes are
// started on the calling thread: a child started from a thread that ends is ended with it.
using PauseFunction = std::function<void(std::chrono::milliseconds)>;

// A TCP port on 127.0.0.1 that nothing listened on a moment ago.
int FreePort();
// Whether something accepts connections on 127.0.0.1:port.
bool PortAccepts(int port);

class ChildProcess {
public:
    ChildProcess(const QString& program, const QStringList& arguments,
                 const std::filesystem::path& output);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Running();
    long long Pid() const { return pid_; }
    // How the process ended, once Running() has seen it end.
    const std::string& Ended() const { return ended_; }
    // Asks the process to end, without waiting.
    void RequestStop();
    // Ends the process by its PID: a polite request first, then a kill; waits until it is gone.
    void Stop();

private:
    long long pid_ = 0;
    std::string ended_ = "ended";
};

enum class ToneCodec { Vorbis, Mp3 };

struct ToneMount {
    std::string path;
    ToneCodec codec;
};

// icecast2 with its own configuration on a free port, fed by gst-launch-1.0 test tones.
class IcecastServer {
public:
    static constexpr int kToneHz = 440;

    IcecastServer();
    ~IcecastServer();

    bool Started() const { return started_; }
    // Starts a 440 Hz feed on `mount` ("/tone.ogg") and waits until listeners can get it.
    bool AddToneMount(const std::string& mount, ToneCodec codec);
    // Starts several feeds at once and waits until every one of them is served.
    bool AddToneMounts(std::initializer_list<ToneMount> mounts);
    std::string Url(const std::string& mount) const;
    int Port() const { return port_; }
    // Stops the server and every feed.
    void Stop();
    // Starts the server again on its port with the feeds it had; waits, by `pause`, until they
    // are served.
    bool Restart(const PauseFunction& pause);

private:
    bool StartServer(const PauseFunction& pause);
    bool StartFeeds(const std::vector<ToneMount>& mounts, const PauseFunction& pause);

    TempDir dir_;
    int port_ = 0;
    bool started_ = false;
    std::unique_ptr<ChildProcess> server_;
    std::vector<std::unique_ptr<ChildProcess>> feeds_;
    std::vector<ToneMount> mounts_;
};

// Python's HTTP server serving the files of a folder; ".php" files with `phpType` when it is
// given, else with the type the system's type list names for them.
class FileServer {
public:
    explicit FileServer(const std::string& phpType = {});
    ~FileServer() = default;

    bool Started() const { return started_; }
    void AddFile(const std::string& name, const std::string& bytes);
    // The folder served.
    std::filesystem::path Folder() const { return dir_ / "www"; }
    std::string Url(const std::string& name) const;

private:
    TempDir dir_;
    int port_ = 0;
    bool started_ = false;
    std::unique_ptr<ChildProcess> server_;
};

// A loopback HTTP server that misbehaves on purpose (stream_faults.py): it sends an MP3 at
// exactly real time with no burst (and a stream title), sends a burst and then nothing, sends
// headers and then nothing, sends a moment of audio and closes, or serves the files of its folder
// after a delay.
class FaultServer {
public:
    // `mp3` is a constant-bitrate MP3 file that the streams repeat.
    explicit FaultServer(const std::filesystem::path& mp3);
    ~FaultServer() = default;

    bool Started() const { return started_; }
    // The folder served with a delay under "/slow/".
    std::filesystem::path Folder() const { return dir_ / "www"; }
    // "/realtime.mp3", "/burst.mp3", "/headers.mp3", "/flap.mp3" or "/slow/NAME".
    std::string Url(const std::string& path) const;
    // How many requests the delayed files have had.
    int SlowRequests() const { return Count("/count"); }
    // How many requests "/flap.mp3" (0.4 s of audio, then the connection closes) has had.
    int FlapRequests() const { return Count("/flap-count"); }

private:
    int Count(const std::string& path) const;

    TempDir dir_;
    int port_ = 0;
    bool started_ = false;
    std::unique_ptr<ChildProcess> server_;
};

} // namespace sonavia::test
