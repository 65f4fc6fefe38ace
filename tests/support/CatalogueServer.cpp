#include "CatalogueServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <fstream>

namespace sonavia::test {

namespace {

constexpr int kStartTimeoutMs = 10000;
constexpr int kStopTimeoutMs = 5000;

std::string LoopbackUrl(int port, const std::string& path) {
    return "http://127.0.0.1:" + std::to_string(port) + path;
}

} // namespace

CatalogueServer::CatalogueServer(const std::filesystem::path& root)
    : log_(root.parent_path() / (root.filename().string() + "-requests.log")) {
    // SONAVIA_CATALOGUE_SERVER_SCRIPT comes from the build: the server the demo uses too.
    std::ofstream(log_, std::ios::trunc);
    process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process_.start(QStringLiteral("python3"),
                   {QStringLiteral(SONAVIA_CATALOGUE_SERVER_SCRIPT), QStringLiteral("--root"),
                    QString::fromStdString(root.string()), QStringLiteral("--log"),
                    QString::fromStdString(log_.string())});
    if (!process_.waitForStarted(kStartTimeoutMs)) {
        return;
    }
    while (!process_.canReadLine() && process_.waitForReadyRead(kStartTimeoutMs)) {
    }
    const QJsonObject ports = QJsonDocument::fromJson(process_.readLine()).object();
    httpPort_ = ports.value(QStringLiteral("http")).toInt();
    refusedPort_ = ports.value(QStringLiteral("refused")).toInt();
    backlogPort_ = ports.value(QStringLiteral("backlog")).toInt();
}

CatalogueServer::~CatalogueServer() {
    // The server ends when its input closes; a server that does not is ended by its process id.
    process_.closeWriteChannel();
    if (!process_.waitForFinished(kStopTimeoutMs)) {
        process_.kill();
        process_.waitForFinished(kStopTimeoutMs);
    }
    std::error_code error;
    std::filesystem::remove(log_, error);
}

std::string CatalogueServer::Url(const std::string& path) const {
    return LoopbackUrl(httpPort_, path);
}

std::string CatalogueServer::RefusedUrl(const std::string& path) const {
    return LoopbackUrl(refusedPort_, path);
}

std::string CatalogueServer::BacklogUrl(const std::string& path) const {
    return LoopbackUrl(backlogPort_, path);
}

std::vector<std::pair<std::string, std::string>> CatalogueServer::ReadLog() const {
    std::vector<std::pair<std::string, std::string>> entries;
    std::ifstream in(log_);
    for (std::string line; std::getline(in, line);) {
        const auto tab = line.find('\t');
        entries.emplace_back(line.substr(0, tab),
                             tab == std::string::npos ? std::string() : line.substr(tab + 1));
    }
    return entries;
}

std::vector<std::string> CatalogueServer::RequestPaths() const {
    std::vector<std::string> paths;
    for (auto& entry : ReadLog()) {
        paths.push_back(entry.first);
    }
    return paths;
}

std::vector<std::string> CatalogueServer::UserAgents() const {
    std::vector<std::string> agents;
    for (auto& entry : ReadLog()) {
        agents.push_back(entry.second);
    }
    return agents;
}

void CatalogueServer::ClearLog() const {
    std::ofstream(log_, std::ios::trunc);
}

} // namespace sonavia::test
