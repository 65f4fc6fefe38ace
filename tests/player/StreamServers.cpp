#include "StreamServers.h"

#include <QProcess>
#include <algorithm>
#include <arpa/inet.h>
#include <chrono>
#include <cstdio>
#include <curl/curl.h>
#include <fcntl.h>
#include <fstream>
#include <grp.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace sonavia::test {

namespace {

using namespace std::chrono_literals;

constexpr auto kStartTimeout = 30s;
// icecast2 takes seconds to wind down; the test servers hold nothing worth a clean exit.
constexpr auto kStopGrace = 300ms;
constexpr auto kPoll = 20ms;
constexpr char kSourcePassword[] = "tone-source";
// How long a running icecast2 may leave every request unanswered before it is started again.
constexpr auto kSilenceBeforeRestart = 6s;
constexpr long kHttpOk = 200;

sockaddr_in Loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    return address;
}

void Sleep(std::chrono::milliseconds pause) {
    std::this_thread::sleep_for(pause);
}

template <typename Condition>
bool WaitUntil(Condition condition, const PauseFunction& pause = Sleep) {
    const auto deadline = std::chrono::steady_clock::now() + kStartTimeout;
    while (std::chrono::steady_clock::now() < deadline) {
        if (condition()) {
            return true;
        }
        pause(kPoll);
    }
    return false;
}

// Ends the request once the reply's headers are in: the status is all that is wanted.
std::size_t StopAfterHeaders(char* line, std::size_t size, std::size_t count, void*) {
    const std::size_t length = size * count;
    const bool blank = length <= 2 && (length == 0 || line[0] == '\r' || line[0] == '\n');
    return blank ? 0 : length;
}

// The status the server answers for the mount (200: its feed is connected), or 0 for no answer.
long MountStatus(const std::string& url) {
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_HEADERFUNCTION, StopAfterHeaders);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 2000L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_perform(curl);
    long status = 0;
    curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_cleanup(curl);
    return status;
}

void WriteText(const std::filesystem::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << text;
}

} // namespace

int FreePort() {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t length = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port = ntohs(address.sin_port);
    }
    close(fd);
    return port;
}

bool PortAccepts(int port) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    const sockaddr_in address = Loopback(port);
    const bool accepted =
        connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    close(fd);
    return accepted;
}

ChildProcess::ChildProcess(const QString& program, const QStringList& arguments,
                           const std::filesystem::path& output) {
    // Everything the child needs is prepared before the fork: after it, only calls that are
    // safe in a copy of a threaded process run.
    std::vector<std::string> words{program.toStdString()};
    for (const QString& argument : arguments) {
        words.push_back(argument.toStdString());
    }
    std::vector<char*> argv;
    for (std::string& word : words) {
        argv.push_back(word.data());
    }
    argv.push_back(nullptr);
    const std::string outputPath = output.string();
    const pid_t parent = getpid();

    const pid_t pid = fork();
    if (pid == 0) {
        // The child goes when the test program goes, even when that crashes.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) {
            _exit(1);
        }
        const int in = open("/dev/null", O_RDONLY);
        const int out = open(outputPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(in, STDIN_FILENO);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    pid_ = pid > 0 ? pid : 0;
}

ChildProcess::~ChildProcess() {
    Stop();
}

bool ChildProcess::Running() {
    if (pid_ <= 0) {
        return false;
    }
    int status = 0;
    if (waitpid(static_cast<pid_t>(pid_), &status, WNOHANG) == 0) {
        return true;
    }
    pid_ = 0;
    if (WIFSIGNALED(status)) {
        ended_ = "ended by signal " + std::to_string(WTERMSIG(status));
    } else if (WIFEXITED(status)) {
        ended_ = "ended with exit code " + std::to_string(WEXITSTATUS(status));
    }
    return false;
}

void ChildProcess::RequestStop() {
    if (pid_ > 0) {
        kill(static_cast<pid_t>(pid_), SIGTERM);
    }
}

void ChildProcess::Stop() {
    if (pid_ <= 0) {
        return;
    }
    const auto pid = static_cast<pid_t>(pid_);
    pid_ = 0;
    kill(pid, SIGTERM);
    const auto deadline = std::chrono::steady_clock::now() + kStopGrace;
    int status = 0;
    while (waitpid(pid, &status, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            break;
        }
        std::this_thread::sleep_for(kPoll);
    }
}

IcecastServer::IcecastServer() : port_(FreePort()) {
    const auto logs = dir_ / "log";
    std::filesystem::create_directory(logs);
    // icecast2 gives up the superuser's rights before it opens its logs.
    const bool superuser = geteuid() == 0;
    std::string owner;
    if (superuser) {
        const passwd* user = getpwnam("icecast2");
        const group* grp = getgrnam("icecast");
        if (user == nullptr || grp == nullptr) {
            return;
        }
        std::filesystem::permissions(dir_.Path(), std::filesystem::perms::owner_all |
                                                      std::filesystem::perms::group_exec |
                                                      std::filesystem::perms::others_exec);
        if (chown(logs.c_str(), user->pw_uid, grp->gr_gid) != 0) {
            return;
        }
        owner = "<changeowner><user>icecast2</user><group>icecast</group></changeowner>";
    }
    const std::string port = std::to_string(port_);
    WriteText(dir_ / "icecast.xml",
              "<icecast>\n"
              "  <limits><clients>50</clients><sources>8</sources>"
              "<burst-size>65536</burst-size></limits>\n"
              "  <authentication><source-password>" +
                  std::string(kSourcePassword) +
                  "</source-password><admin-user>admin</admin-user>"
                  "<admin-password>tone-admin</admin-password></authentication>\n"
                  "  <hostname>127.0.0.1</hostname>\n"
                  "  <listen-socket><port>" +
                  port +
                  "</port><bind-address>127.0.0.1</bind-address></listen-socket>\n"
                  "  <paths><logdir>" +
                  logs.string() +
                  "</logdir></paths>\n"
                  "  <logging><accesslog>access.log</accesslog><errorlog>error.log</errorlog>"
                  "<loglevel>2</loglevel></logging>\n"
                  "  <security><chroot>0</chroot>" +
                  owner +
                  "</security>\n"
                  "</icecast>\n");
    started_ = StartServer(Sleep);
}

bool IcecastServer::StartServer(const PauseFunction& pause) {
    server_ = std::make_unique<ChildProcess>(
        "icecast2", QStringList{"-c", QString::fromStdString((dir_ / "icecast.xml").string())},
        dir_ / "icecast.out");
    return WaitUntil([this] { return server_->Running() && PortAccepts(port_); }, pause);
}

bool IcecastServer::Restart(const PauseFunction& pause) {
    Stop();
    feeds_.clear();
    started_ = StartServer(pause);
    return started_ && StartFeeds(mounts_, pause);
}

IcecastServer::~IcecastServer() {
    Stop();
}

bool IcecastServer::AddToneMount(const std::string& mount, ToneCodec codec) {
    return AddToneMounts({{mount, codec}});
}

bool IcecastServer::AddToneMounts(std::initializer_list<ToneMount> mounts) {
    if (!started_) {
        return false;
    }
    mounts_.insert(mounts_.end(), mounts.begin(), mounts.end());
    return StartFeeds(std::vector<ToneMount>(mounts), Sleep);
}

bool IcecastServer::StartFeeds(const std::vector<ToneMount>& mounts, const PauseFunction& pause) {
    std::vector<QStringList> commands;
    for (const ToneMount& mount : mounts) {
        // A pure tone compresses so well that a free bitrate would put many seconds into the
        // server's burst; a managed bitrate keeps the burst short.
        const QString encoder =
            mount.codec == ToneCodec::Vorbis
                ? "audioconvert ! vorbisenc managed=true bitrate=128000 ! oggmux"
                : "audioconvert ! lamemp3enc target=bitrate bitrate=128 cbr=true";
        const QString pipeline =
            QString("audiotestsrc is-live=true wave=sine freq=%1 ! %2 ! shout2send ip=127.0.0.1 "
                    "port=%3 password=%4 mount=%5")
                .arg(kToneHz)
                .arg(encoder)
                .arg(port_)
                .arg(kSourcePassword)
                .arg(QString::fromStdString(mount.path));
        commands.push_back(QStringList{"-q"} + QProcess::splitCommand(pipeline));
    }
    const std::size_t first = feeds_.size();
    const auto startFeed = [this](const QStringList& command, std::size_t index) {
        return std::make_unique<ChildProcess>("gst-launch-1.0", command,
                                              dir_ / ("feed" + std::to_string(index) + ".out"));
    };
    for (std::size_t i = 0; i < commands.size(); ++i) {
        feeds_.push_back(startFeed(commands[i], first + i));
    }
    auto answered = std::chrono::steady_clock::now();
    const bool served = WaitUntil(
        [&] {
            // Now and then icecast2 takes its port and then serves nothing, or goes; on a
            // loaded machine a feed can give up before the server takes sources. Each is
            // started again, the server on the same port.
            const auto now = std::chrono::steady_clock::now();
            if (!server_->Running() || now - answered > kSilenceBeforeRestart) {
                std::fprintf(stderr, "icecast2 %s; starting it again\n",
                             server_->Running() ? "answers nothing" : server_->Ended().c_str());
                server_->Stop();
                StartServer(pause);
                answered = std::chrono::steady_clock::now();
            }
            for (std::size_t i = 0; i < commands.size(); ++i) {
                if (!feeds_[first + i]->Running()) {
                    feeds_[first + i] = startFeed(commands[i], first + i);
                }
            }
            return std::all_of(mounts.begin(), mounts.end(), [&](const ToneMount& mount) {
                const long status = MountStatus(Url(mount.path));
                if (status != 0) {
                    answered = std::chrono::steady_clock::now();
                }
                return status == kHttpOk;
            });
        },
        pause);
    if (!served) {
        // What the server and its feeds said, for the test's log.
        std::fprintf(stderr, "the mounts never served; icecast2 said:\n%s\n%s\n",
                     ReadFileBytes(dir_ / "icecast.out").c_str(),
                     ReadFileBytes(dir_ / "log" / "error.log").c_str());
        for (std::size_t i = 0; i < commands.size(); ++i) {
            std::fprintf(
                stderr, "feed %zu said:\n%s\n", first + i,
                ReadFileBytes(dir_ / ("feed" + std::to_string(first + i) + ".out")).c_str());
        }
    }
    return served;
}

std::string IcecastServer::Url(const std::string& mount) const {
    return "http://127.0.0.1:" + std::to_string(port_) + mount;
}

void IcecastServer::Stop() {
    // Everything is asked at once, then each is waited for.
    for (auto& feed : feeds_) {
        feed->RequestStop();
    }
    if (server_) {
        server_->RequestStop();
        server_->Stop();
    }
    for (auto& feed : feeds_) {
        feed->Stop();
    }
    started_ = false;
}

FaultServer::FaultServer(const std::filesystem::path& mp3) : port_(FreePort()) {
    std::filesystem::create_directory(dir_ / "www");
    server_ =
        std::make_unique<ChildProcess>("python3",
                                       QStringList{STREAM_FAULTS_SCRIPT, QString::number(port_),
                                                   QString::fromStdString((dir_ / "www").string()),
                                                   QString::fromStdString(mp3.string())},
                                       dir_ / "server.log");
    started_ = WaitUntil([this] { return server_->Running() && PortAccepts(port_); });
}

std::string FaultServer::Url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

int FaultServer::Count(const std::string& path) const {
    CURL* curl = curl_easy_init();
    std::string body;
    const auto collect = +[](char* data, std::size_t size, std::size_t count, void* out) {
        static_cast<std::string*>(out)->append(data, size * count);
        return size * count;
    };
    const std::string url = Url(path);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, 5000L);
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    const bool ok = curl_easy_perform(curl) == CURLE_OK;
    curl_easy_cleanup(curl);
    return ok && !body.empty() ? std::stoi(body) : -1;
}

FileServer::FileServer(const std::string& phpType) : port_(FreePort()) {
    std::filesystem::create_directory(dir_ / "www");
    const QString folder = QString::fromStdString((dir_ / "www").string());
    QStringList arguments{
        "-m", "http.server", QString::number(port_), "--bind", "127.0.0.1", "--directory", folder};
    if (!phpType.empty()) {
        // The server's own handler with one more entry in its type table.
        arguments = QStringList{
            "-c",
            "import functools, http.server, sys\n"
            "handler = http.server.SimpleHTTPRequestHandler\n"
            "handler.extensions_map = dict(handler.extensions_map, **{'.php': sys.argv[3]})\n"
            "http.server.ThreadingHTTPServer(('127.0.0.1', int(sys.argv[1])),\n"
            "    functools.partial(handler, directory=sys.argv[2])).serve_forever()\n",
            QString::number(port_), folder, QString::fromStdString(phpType)};
    }
    server_ = std::make_unique<ChildProcess>("python3", arguments, dir_ / "server.log");
    started_ = WaitUntil([this] { return server_->Running() && PortAccepts(port_); });
}

void FileServer::AddFile(const std::string& name, const std::string& bytes) {
    WriteText(dir_ / "www" / name, bytes);
}

std::string FileServer::Url(const std::string& name) const {
    return "http://127.0.0.1:" + std::to_string(port_) + "/" + name;
}

} // namespace sonavia::test
