#include "catalogue/ShoppingLoad.h"

#include "catalogue/Config.h"
#include "catalogue/Fetch.h"

namespace sonavia {

ShoppingData LoadShopping(const InterfacePackDirectory& archive) {
    const std::string base = RadioCatalogueBase();
    ShoppingData data;
    data.root = ShoppingRootOf(FetchText(base + kShoppingRootFile, kShoppingRootProfile));

    std::string text = FetchText(base + kShoppingListFile, kShoppingListProfile);
    if (IsShoppingWebPage(text)) {
        text.clear();
    }
    if (text.empty()) {
        text = ReadArchiveText(archive, kShoppingListFile);
    }
    data.list = ParseShoppingList(text);
    return data;
}

} // namespace sonavia
