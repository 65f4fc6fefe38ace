#include "catalogue/ShoppingLoad.h"

#include "catalogue/CatalogueLog.h"
#include "catalogue/Config.h"
#include "catalogue/Fetch.h"

namespace sonavia {

ShoppingData LoadShopping(const ServerBases& bases, const InterfacePackDirectory& archive,
                          std::stop_token stop) {
    const std::string& base = bases.catalogue;
    ShoppingData data;
    // A web page in place of the root file (a sign-in page on the way, say) names no root: its
    // first line would make every topic's address a piece of markup.
    const std::string rootReply = FetchText(base + kShoppingRootFile, kShoppingRootProfile, stop);
    if (!IsShoppingWebPage(rootReply)) {
        data.root = ShoppingRootOf(rootReply);
    }

    std::string text = FetchText(base + kShoppingListFile, kShoppingListProfile, stop);
    if (IsShoppingWebPage(text)) {
        text.clear();
    }
    if (text.empty()) {
        qCInfo(lcCatalogue) << "no shopping list from the server: the interface archive's is used";
        text = ReadArchiveText(archive, kShoppingListFile);
    }
    data.list = ParseShoppingList(text);
    return data;
}

} // namespace sonavia
