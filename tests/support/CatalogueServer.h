#pragma once

#include <QProcess>
#include <filesystem>
#include <string>
#include <vector>

namespace sonavia::test {

// The loopback catalogue server (tools/demo/catalogue_server.py) serving `root`, for as long as the
// object lives. Paths below "/fault/<mode>/" misbehave as that script describes.
class CatalogueServer {
public:
    explicit CatalogueServer(const std::filesystem::path& root);
    ~CatalogueServer();
    CatalogueServer(const CatalogueServer&) = delete;
    CatalogueServer& operator=(const CatalogueServer&) = delete;

    bool Running() const { return httpPort_ != 0; }
    // "http://127.0.0.1:<port>" followed by `path`, which starts with "/".
    std::string Url(const std::string& path) const;
    // Addresses on ports that refuse every connection, and that never complete one.
    std::string RefusedUrl(const std::string& path) const;
    std::string BacklogUrl(const std::string& path) const;

    // Every request path so far, in order, and the user agent of each.
    std::vector<std::string> RequestPaths() const;
    std::vector<std::string> UserAgents() const;
    void ClearLog() const;

private:
    std::vector<std::pair<std::string, std::string>> ReadLog() const;

    QProcess process_;
    std::filesystem::path log_;
    int httpPort_ = 0;
    int refusedPort_ = 0;
    int backlogPort_ = 0;
};

} // namespace sonavia::test
