#include "catalogue/Config.h"
#include "rules/LinkAddresses.h"
#include "rules/PaneGeometry.h"
#include "rules/ShoppingList.h"

#include <QUrl>
#include <QUrlQuery>
#include <cstdlib>
#include <gtest/gtest.h>

namespace sonavia {
namespace {

constexpr char kSite[] = "http://site.test/sonavia/";
constexpr char kSearch[] = "http://search.test/";

// The value of `name` in the address's query, decoded as a server decodes it.
QString QueryValue(const std::string& address, const QString& name) {
    return QUrlQuery(QUrl(QString::fromStdString(address)))
        .queryItemValue(name, QUrl::FullyDecoded);
}

TEST(Links, ButtonsOpenTheirSitePagesAndTheTextsFollowTheClock) {
    EXPECT_EQ(LinkAddress(LinkButton::Website, kSite), "http://site.test/sonavia/index.php");
    EXPECT_EQ(LinkAddress(LinkButton::Help, kSite), "http://site.test/sonavia/support.php");
    EXPECT_EQ(LinkAddress(LinkButton::Download, kSite), "http://site.test/sonavia/download.php");
    EXPECT_EQ(LinkAddress(LinkButton::Upgrade, kSite), "http://site.test/sonavia/color.php");
    EXPECT_EQ(LinkAddress(LinkButton::WatchTv, kSite), "http://site.test/sonavia/watchtv.php");
    EXPECT_EQ(LinkAddress(LinkButton::Shopping, kSite), "http://site.test/sonavia//store.php");

    EXPECT_EQ(ShoppingTooltip(0), "Shop for the best bargains");
    EXPECT_EQ(ShoppingTooltip(1), "Save money now");
    EXPECT_EQ(ShoppingTooltip(2), "Save money on the best products");
    EXPECT_EQ(ShoppingTooltip(59), "Shop and save money now");
    EXPECT_EQ(ShoppingHeading(4), "--- Shop for the best bargains ---");
    EXPECT_EQ(ShoppingHeading(13), "--- Save money now ---");
    EXPECT_EQ(ShoppingHeading(58), "--- Save money on the best products ---");
    EXPECT_EQ(ShoppingHeading(-1), "--- Shop and save money now ---");

    EXPECT_EQ(GoTooltip("Type your text here"), "Search The Internet using Google");
    EXPECT_EQ(GoTooltip(""), "Search The Internet using Google");
    EXPECT_EQ(GoTooltip("jazz radio"), "Search The Internet for \"jazz radio\" using Google");
}

TEST(Links, SearchSendsExactlyWhatWasTyped) {
    EXPECT_EQ(SearchAddress(kSearch, "Type your text here"), kSearch);
    EXPECT_EQ(SearchAddress(kSearch, "a b&c #1"),
              "http://search.test/search?hl=en&q=a%20b%26c%20%231&btnG=Google+Search");
    // The server's own decoding gives back the text and no further parameter.
    const std::string crafted = SearchAddress(kSearch, "a b&c #1&hl=de+x=y");
    const QUrlQuery query(QUrl(QString::fromStdString(crafted)));
    EXPECT_EQ(query.queryItems().size(), 3);
    EXPECT_EQ(QueryValue(crafted, "q"), "a b&c #1&hl=de+x=y");
    EXPECT_EQ(QueryValue(crafted, "hl"), "en");
    EXPECT_EQ(QueryValue(crafted, "btnG"), "Google+Search");

    const QString typed = QString::fromUtf8("Grüße € 東京");
    const std::string address = SearchAddress(kSearch, typed.toUtf8().toStdString());
    EXPECT_EQ(address, "http://search.test/search?hl=en&q=Gr%C3%BC%C3%9Fe%20%E2%82%AC%20"
                       "%E6%9D%B1%E4%BA%AC&btnG=Google+Search");
    EXPECT_EQ(QueryValue(address, "q"), typed);
    // Blank, empty and hint-like texts are searched for as they stand.
    EXPECT_EQ(QueryValue(SearchAddress(kSearch, " Type your text here"), "q"),
              " Type your text here");
    EXPECT_EQ(SearchAddress(kSearch, ""), "http://search.test/search?hl=en&q=&btnG=Google+Search");
}

TEST(Links, ShoppingTopicsOpenUnderTheRootWithBlanksAsDashes) {
    EXPECT_EQ(ShoppingAddress("http://shop.test/", "Two words"),
              "http://shop.test/shopping/Two-words/");
    EXPECT_EQ(ShoppingAddress("http://shop.test/", "Tea & Coffee #1/2?"),
              "http://shop.test/shopping/Tea-%26-Coffee-%231%2F2%3F/");
    EXPECT_EQ(ShoppingAddress("http://shop.test/", "Café"), "http://shop.test/shopping/Caf%C3%A9/");
    EXPECT_EQ(ShoppingAddress("", "Toys"), "shopping/Toys/");
}

TEST(Links, SearchBaseIsConfiguredLikeTheOtherBases) {
    ::unsetenv(kSearchBaseVariable);
    EXPECT_EQ(ServerBasesFor({}).search, "https://www.google.com/");
    ::setenv(kSearchBaseVariable, "http://127.0.0.1:8080/engine", 1);
    EXPECT_EQ(ServerBasesFor({}).search, "http://127.0.0.1:8080/engine/");
    ::unsetenv(kSearchBaseVariable);
}

TEST(ShoppingReply, HeaderCountsTheCleanedTopicsThatEndInALineFeed) {
    const ShoppingList list = ParseShoppingList("4\r\n"
                                                "books\r\n"
                                                "garden tools # seasonal\r\n"
                                                "#1 Hits\n"
                                                "\xC3\xA9t\xC3\xA9 sale\n"
                                                "never read\n");
    EXPECT_EQ(list.count, 4);
    EXPECT_EQ(list.topics, (std::vector<std::string>{"Books", "Garden tools", "#1 Hits",
                                                     "\xC3\xA9t\xC3\xA9 sale"}));
    // A header ended by a bare line feed keeps its last digit.
    EXPECT_EQ(ParseShoppingList("12\nA\nB\n").count, 12);
    // More topics counted than there are lines, and a last topic without a line end.
    const ShoppingList shortList = ParseShoppingList("9\nfirst\nlast without end");
    EXPECT_EQ(shortList.count, 9);
    EXPECT_EQ(shortList.topics, std::vector<std::string>{"First"});
    // An empty topic is listed and ends the reading.
    EXPECT_EQ(ParseShoppingList("3\nA\n  \nB\n").topics, (std::vector<std::string>{"A", ""}));
    // Counts out of reach are held to the most the reply can hold.
    EXPECT_EQ(ParseShoppingList("99999999999999999999\nA\n").count, kMaxShoppingTopics);
    for (const char* none : {"", "3", "x\nA\n", "-2\nA\n", "\r\nA\n"}) {
        EXPECT_TRUE(ParseShoppingList(none).topics.empty()) << none;
    }
}

TEST(ShoppingReply, WebPagesAndTheRootLine) {
    for (const char* page : {"<html>", "<HTML>", "1\n<Html lang='en'>\n", "x <html\n"}) {
        EXPECT_TRUE(IsShoppingWebPage(page)) << page;
    }
    for (const char* list : {"2\nHTML books\nhtml\n", "", "1\n<htm\n"}) {
        EXPECT_FALSE(IsShoppingWebPage(list)) << list;
    }
    EXPECT_EQ(ShoppingRootOf("http://shop.test/\r\nanything\n"), "http://shop.test/");
    EXPECT_EQ(ShoppingRootOf("http://shop.test/\n"), "http://shop.test/");
    EXPECT_EQ(ShoppingRootOf("http://shop.test/"), "");
}

TEST(Pane, LiesBelowTheWindowAtTheTopEdgeAndHoldsTheViewWithItsMargin) {
    constexpr int kScreenHeight = 768;
    const EdgeRect window = AtTopEdge({100, 250, 500, 550});
    EXPECT_EQ(window, (EdgeRect{100, 0, 500, 300}));
    const EdgeRect pane = BrowserPaneRect(window, kScreenHeight);
    EXPECT_EQ(pane, (EdgeRect{112, 292, 488, 736}));
    const EdgeRect view = BrowserViewRect(window, kScreenHeight);
    EXPECT_EQ(view, (EdgeRect{6, 6, 370, 438}));
    EXPECT_EQ(pane.Width() - view.right, kPaneViewMargin);
    EXPECT_EQ(pane.Height() - view.bottom, kPaneViewMargin);
    // A window that leaves no room below it gives empty rectangles, not turned-over ones.
    const EdgeRect tall{0, 0, 20, 760};
    EXPECT_EQ(BrowserPaneRect(tall, kScreenHeight), (EdgeRect{12, 752, 12, 752}));
    EXPECT_EQ(BrowserViewRect(tall, kScreenHeight), (EdgeRect{6, 6, 6, 6}));
}

} // namespace
} // namespace sonavia
