#pragma once

#include <string>
#include <string_view>

// The addresses that the radio window's links, web search and shopping list open in the browser
// pane, and the tooltips and texts that go with them. Every address is built from a base that
// the caller passes: the site base (ending in "sonavia/"), the search engine's base or the
// shopping root.
namespace sonavia {

// The link buttons of the radio window.
enum class LinkButton { Website, Help, Download, Upgrade, WatchTv, Shopping };

// Pages of the maker's site.
inline constexpr char kWebsitePage[] = "index.php";
inline constexpr char kHelpPage[] = "support.php";
inline constexpr char kDownloadPage[] = "download.php";
inline constexpr char kUpgradePage[] = "color.php";
inline constexpr char kWatchTvPage[] = "watchtv.php";
inline constexpr char kStorePage[] = "store.php";

// The page a link button opens: the site base followed by the button's page. The shopping link
// puts a "/" of its own between the base and its page, so its path holds two slashes there: that
// is the address the program opens.
std::string LinkAddress(LinkButton button, std::string_view siteBase);

// The search box's hint: searching for it opens the search engine's home page.
inline constexpr char kSearchHint[] = "Type your text here";
inline constexpr char kSearchPath[] = "search?hl=en&q=";
inline constexpr char kSearchSuffix[] = "&btnG=Google+Search";

// The page "Go" opens for the search box's text (UTF-8): the search engine's home page (its
// base) for the hint, else the search for that text. The text is percent-encoded byte by byte,
// every byte but the unreserved letters, digits and "-._~", so that the server receives exactly
// what was typed: "&", "#", "+" and "=" cannot change the request. A blank becomes "%20", not
// "+": "%20" means a blank whether the server decodes the query as a form or as a plain address,
// while "+" is a blank only to form decoding.
std::string SearchAddress(std::string_view searchBase, std::string_view text);

// Every byte of `text` but the unreserved ones (letters, digits, "-", ".", "_", "~") and those
// of `alsoKept` as "%" and two upper-case hexadecimal digits.
std::string PercentEncoded(std::string_view text, std::string_view alsoKept = {});

inline constexpr char kShoppingFolder[] = "shopping";

// The page of a shopping topic (UTF-8): the shopping root, "shopping/", the topic with every
// blank turned into "-" and then percent-encoded, and a closing "/".
std::string ShoppingAddress(std::string_view shoppingRoot, std::string_view topic);

// Tooltips of the radio window's buttons.
inline constexpr char kWebsiteTooltip[] = "Take a look at our website";
inline constexpr char kHelpTooltip[] = "Visit our website for our other great products";
inline constexpr char kHideTooltip[] = "Hide Sonavia Plus";
inline constexpr char kDownloadTooltip[] = "Download latest version when button flashes";
inline constexpr char kUpgradeTooltip[] =
    "Upgrade to the Professional version and get 1000+ cool channels";
inline constexpr char kWatchTvTooltip[] = "Download the FREE Halvenor";
inline constexpr char kExitTooltip[] = "Exit Sonavia Plus";
inline constexpr char kRandomTooltip[] = "Play a random channel now";
inline constexpr char kGoTooltip[] = "Search The Internet using Google";
inline constexpr char kGoTooltipBefore[] = "Search The Internet for";
inline constexpr char kGoTooltipAfter[] = "using Google";
inline constexpr char kLaunchBrowserTooltip[] = "Launch Browser";
inline constexpr char kHideBrowserTooltip[] = "Hide Browser";

// The shopping link's tooltip and the shopping list's heading change with the seconds of the
// local time, modulo 4.
inline constexpr int kShoppingTextChoices = 4;
inline constexpr const char* kShoppingTooltips[kShoppingTextChoices] = {
    "Shop for the best bargains", "Save money now", "Save money on the best products",
    "Shop and save money now"};
inline constexpr const char* kShoppingHeadings[kShoppingTextChoices] = {
    "--- Shop for the best bargains ---", "--- Save money now ---",
    "--- Save money on the best products ---", "--- Shop and save money now ---"};

// The texts for the seconds (0 to 59, or any count of seconds) of the local time.
std::string ShoppingTooltip(int seconds);
std::string ShoppingHeading(int seconds);

// "Go"'s tooltip while the pointer is over it: the search text quoted in the sentence, or the
// plain tooltip while the search box holds its hint or nothing.
std::string GoTooltip(std::string_view searchText);

} // namespace sonavia
