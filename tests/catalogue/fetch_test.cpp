#include "CatalogueServer.h"
#include "TestSupport.h"
#include "catalogue/Fetch.h"

#include <chrono>
#include <cstdlib>
#include <future>
#include <gtest/gtest.h>

namespace sonavia {
namespace {

using Clock = std::chrono::steady_clock;

// Generous: only a request that ignores its bound altogether fails this.
constexpr auto kHangSlack = std::chrono::seconds(2);
constexpr int kShortConnectMs = 300;

class FetchTest : public ::testing::Test {
protected:
    void SetUp() override {
        for (const char* variable : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY",
                                     "all_proxy", "ALL_PROXY", "no_proxy", "NO_PROXY"}) {
            ::unsetenv(variable);
        }
        std::filesystem::create_directories(root_ / "Sonavia/freechannels/package0");
        test::WriteFileBytes(root_ / "Sonavia/freechannels/package0/7.rd",
                             "http://stream.test/seven\r\nsecond line\r\n");
        test::WriteFileBytes(root_ / "Sonavia/freechannels/package0/8.rd", std::string(1500, 'a'));
        test::WriteFileBytes(root_ / "long.txt", long_);
        ASSERT_TRUE(server_.Running());
    }

    std::string long_ = [] {
        std::string text;
        for (int i = 0; text.size() < 200000; ++i) {
            text += std::to_string(i) + "\n";
        }
        return text;
    }();
    test::TempDir dir_;
    std::filesystem::path root_ = dir_ / "root";
    test::CatalogueServer server_{root_};
};

TEST_F(FetchTest, TakesAtMostTheByteLimitAndNamesTheProgram) {
    EXPECT_EQ(FetchText(server_.Url("/long.txt"), kItemProfile), long_.substr(0, 1024));
    EXPECT_EQ(FetchText(server_.Url("/long.txt"), kCatalogueProfile), long_.substr(0, 102400));
    EXPECT_EQ(FetchText(server_.Url("/long.txt"), 5000, 1000000), long_);
    // A reply far beyond the limit, sent as fast as the server can.
    EXPECT_EQ(FetchText(server_.Url("/fault/big/long.txt"), kFlagsProfile), long_.substr(0, 10240));
    for (const auto& agent : server_.UserAgents()) {
        EXPECT_EQ(agent, "Sonavia Plus");
    }
}

TEST_F(FetchTest, ErrorStatusesBrokenRepliesAndRedirectLoopsGiveNothing) {
    EXPECT_EQ(FetchText(server_.Url("/missing.txt"), kItemProfile), "");
    EXPECT_EQ(FetchText(server_.Url("/fault/404/long.txt"), kItemProfile), "");
    EXPECT_EQ(FetchText(server_.Url("/fault/500/long.txt"), kItemProfile), "");
    EXPECT_EQ(FetchText(server_.Url("/fault/redirect-loop/long.txt"), kItemProfile), "");
    EXPECT_EQ(FetchText(server_.RefusedUrl("/long.txt"), kItemProfile), "");
    // Closed after half of the announced body: a failure, unless the limit was reached first.
    EXPECT_EQ(FetchText(server_.Url("/fault/close/long.txt"), kCatalogueProfile), "");
    EXPECT_EQ(FetchText(server_.Url("/fault/close/long.txt"), kFlagsProfile),
              long_.substr(0, 10240));
}

TEST_F(FetchTest, FollowsRedirectsReadsCompressedRepliesAndLocalFiles) {
    EXPECT_EQ(FetchText(server_.Url("/fault/redirect/long.txt"), kItemProfile),
              long_.substr(0, 1024));
    EXPECT_EQ(server_.RequestPaths(),
              (std::vector<std::string>{"/fault/redirect/long.txt", "/long.txt"}));
    EXPECT_EQ(FetchText("file://" + (root_ / "long.txt").string(), kItemProfile),
              long_.substr(0, 1024));
    EXPECT_EQ(FetchText("file://" + (root_ / "none.txt").string(), kItemProfile), "");
    // A server that compresses its reply, asked or not; the limit counts what it holds.
    EXPECT_EQ(FetchText(server_.Url("/fault/gzip/long.txt"), kItemProfile), long_.substr(0, 1024));
    // A web page is a reply like any other here; its callers recognise it.
    EXPECT_NE(FetchText(server_.Url("/fault/html/x"), kItemProfile).find("<html>"),
              std::string::npos);
}

TEST_F(FetchTest, GoesThroughTheSystemsProxy) {
    ::setenv("http_proxy", server_.Url("").c_str(), 1);
    const std::string text = FetchText("http://catalogue.invalid/long.txt", kItemProfile);
    ::unsetenv("http_proxy");
    EXPECT_EQ(text, long_.substr(0, 1024));
    EXPECT_EQ(server_.RequestPaths(),
              std::vector<std::string>{"http://catalogue.invalid/long.txt"});
}

// Servers that accept and then hold the caller, and a connection that never completes: each
// request gives up empty within three connect time-outs. They run side by side to keep the
// test short.
TEST_F(FetchTest, NoServerHoldsTheCallerPastThreeConnectTimeOuts) {
    const std::vector<std::string> urls = {
        server_.Url("/fault/silent/long.txt"), server_.Url("/fault/stall/long.txt"),
        server_.Url("/fault/drip/long.txt"), server_.BacklogUrl("/long.txt")};
    std::vector<std::future<std::pair<std::string, Clock::duration>>> results;
    for (const auto& url : urls) {
        results.push_back(std::async(std::launch::async, [url] {
            const auto start = Clock::now();
            std::string text = FetchText(url, kShortConnectMs, kCatalogueProfile.maxBytes);
            return std::make_pair(std::move(text), Clock::now() - start);
        }));
    }
    const auto bound = std::chrono::milliseconds(kShortConnectMs * kConnectAttempts);
    for (std::size_t i = 0; i < urls.size(); ++i) {
        const auto [text, elapsed] = results[i].get();
        EXPECT_EQ(text, "") << urls[i];
        EXPECT_LT(elapsed, bound + kHangSlack) << urls[i];
        // No connection: every one of the three attempts waits its connect time-out.
        if (i == urls.size() - 1) {
            EXPECT_GT(elapsed, std::chrono::milliseconds(kShortConnectMs * 2)) << urls[i];
        }
    }
}

TEST_F(FetchTest, ItemTextIsTheFirstLineOfTheAddressFile) {
    const std::string base = server_.Url("/Sonavia/freechannels/package0");
    EXPECT_EQ(FetchItemText(ItemKind::RadioStation, base, 7), "http://stream.test/seven");
    EXPECT_EQ(FetchItemText(ItemKind::RadioStation, base, 8), std::string(1024, 'a'));
    EXPECT_EQ(server_.RequestPaths(),
              (std::vector<std::string>{"/Sonavia/freechannels/package0/7.rd",
                                        "/Sonavia/freechannels/package0/8.rd"}));
}

TEST_F(FetchTest, FailedItemTextsAreEmpty) {
    for (const std::string& base :
         {server_.Url("/fault/html/p"), server_.Url("/fault/404/p"), server_.Url("/fault/500/p"),
          server_.Url("/p"), server_.RefusedUrl("/p")}) {
        EXPECT_EQ(FetchItemText(ItemKind::RadioStation, base, 1), "") << base;
    }
}

} // namespace
} // namespace sonavia
