#pragma once

#include "catalogue/Config.h"
#include "localfiles/InterfaceArchive.h"
#include "rules/ShoppingList.h"

#include <stop_token>
#include <string>

namespace sonavia {

// What the radio window's shopping list is filled from.
struct ShoppingData {
    std::string root; // empty when the root file could not be had or is a web page
    ShoppingList list;
};

// The shopping root, then the shopping list, from the radio catalogue base: each request waits at
// most three connect time-outs of 1000 ms. A list reply that is empty or a web page gives way to
// the interface archive's copy of the list; without one the list is empty. Blocks for up to
// both requests' bounds, so the interface thread runs it elsewhere; a stop ends it at once.
ShoppingData LoadShopping(const ServerBases& bases, const InterfacePackDirectory& archive,
                          std::stop_token stop = {});

} // namespace sonavia
