#pragma once

#include "rules/FetchProfiles.h"

#include <string>
#include <string_view>
#include <vector>

// The shopping topics that the radio window's shopping list offers, and the root address their
// pages lie under, both read from the catalogue server.
namespace sonavia {

inline constexpr char kShoppingRootFile[] = "shoppingroot.all";
inline constexpr char kShoppingListFile[] = "shopping.rd";

// Every topic line ends in a line feed, so a list of the reply's byte limit holds at most that
// many topics.
inline constexpr int kMaxShoppingTopics = static_cast<int>(kShoppingListProfile.maxBytes);

// The topics as the header line counts them (within kMaxShoppingTopics) and those read.
struct ShoppingList {
    int count = 0;
    std::vector<std::string> topics;
};

// A shopping list reply that holds "<html" in any letter case is a web page, not a list.
bool IsShoppingWebPage(std::string_view reply);

// Reads a shopping list: a header line with the topic count, then one topic a line, cleaned as
// catalogue lines are and with an upper-case first letter (ASCII only, so that a multi-byte
// character is never altered). Reading ends after `count` topics, after an empty topic, or
// when no further line feed follows: a last topic without a line end is not read. The header
// loses a final carriage return only.
ShoppingList ParseShoppingList(std::string_view text);

// The shopping root in the root file's reply: its first line without a final carriage return;
// empty when the reply has no line feed.
std::string ShoppingRootOf(std::string_view reply);

} // namespace sonavia
