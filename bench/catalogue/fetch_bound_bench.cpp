// For each request profile, how long a request keeps its caller waiting whatever the catalogue
// server does: every fault mode of the loopback server is requested once (side by side, each
// on its own thread and handle), and the worst time is printed next to the profile's bound of
// three connect time-outs.

#include "CatalogueServer.h"
#include "catalogue/Fetch.h"

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>
#include <vector>

namespace {

using namespace sonavia;
using Clock = std::chrono::steady_clock;

struct Mode {
    const char* name;
    std::string url;
};

struct Timing {
    double ms = 0;
    std::size_t bytes = 0;
};

} // namespace

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    const auto root = std::filesystem::temp_directory_path() /
                      ("sonavia-fetch-bench-" + std::to_string(QCoreApplication::applicationPid()));
    std::filesystem::create_directories(root);
    {
        std::ofstream file(root / "file.rd", std::ios::binary);
        for (int i = 0; i < 30000; ++i) {
            file << i << "\n";
        }
    }
    int status = 0;
    {
        test::CatalogueServer server(root);
        if (!server.Running()) {
            std::fprintf(stderr, "the catalogue server did not start\n");
            return 1;
        }
        const std::vector<Mode> modes = {
            {"refused", server.RefusedUrl("/file.rd")},
            {"never-connects", server.BacklogUrl("/file.rd")},
            {"silent", server.Url("/fault/silent/file.rd")},
            {"stall", server.Url("/fault/stall/file.rd")},
            {"drip", server.Url("/fault/drip/file.rd")},
            {"close", server.Url("/fault/close/file.rd")},
            {"big", server.Url("/fault/big/file.rd")},
            {"html", server.Url("/fault/html/file.rd")},
            {"404", server.Url("/fault/404/file.rd")},
            {"500", server.Url("/fault/500/file.rd")},
            {"redirect", server.Url("/fault/redirect/file.rd")},
            {"redirect-loop", server.Url("/fault/redirect-loop/file.rd")},
            {"plain", server.Url("/file.rd")},
        };
        const std::vector<std::pair<const char*, FetchProfile>> profiles = {
            {"item", kItemProfile},
            {"flags", kFlagsProfile},
            {"version", kVersionProfile},
            {"catalogue", kCatalogueProfile}};

        std::printf("%-10s %8s %8s  %-15s %10s  %s\n", "profile", "worst ms", "bound ms",
                    "worst mode", "max bytes", "per mode (ms)");
        for (const auto& [name, profile] : profiles) {
            std::vector<std::future<Timing>> runs;
            for (const auto& mode : modes) {
                runs.push_back(std::async(std::launch::async, [&mode, profile = profile] {
                    const auto start = Clock::now();
                    const std::string text = FetchText(mode.url, profile);
                    const std::chrono::duration<double, std::milli> blocked = Clock::now() - start;
                    return Timing{blocked.count(), text.size()};
                }));
            }
            Timing worst;
            const char* worstMode = "";
            std::size_t mostBytes = 0;
            std::string detail;
            for (std::size_t i = 0; i < modes.size(); ++i) {
                const Timing timing = runs[i].get();
                if (timing.ms > worst.ms) {
                    worst = timing;
                    worstMode = modes[i].name;
                }
                mostBytes = std::max(mostBytes, timing.bytes);
                detail += std::string(modes[i].name) + "=" +
                          std::to_string(static_cast<int>(timing.ms)) + " ";
            }
            const int bound = BoundMs(profile);
            std::printf("%-10s %8.1f %8d  %-15s %10zu  %s\n", name, worst.ms, bound, worstMode,
                        mostBytes, detail.c_str());
            if (worst.ms > bound || mostBytes > profile.maxBytes) {
                status = 1;
            }
        }
    }
    std::filesystem::remove_all(root);
    return status;
}
