// The radio window's links, web search and shopping list, and its browser pane.

#include "catalogue/Config.h"
#include "catalogue/ShoppingLoad.h"
#include "controls/CSearchEdit.h"
#include "controls/CSkinButton.h"
#include "radio/BrowserPane.h"
#include "radio/CStation.h"
#include "radio/RadioCore.h"
#include "resources/ControlIds.h"
#include "rules/LinkAddresses.h"
#include "rules/RandomRules.h"
#include "shell/StartupContext.h"

#include <QComboBox>

namespace sonavia {

namespace {

struct LinkPlace {
    int id;
    LinkButton link;
};

constexpr std::array<LinkPlace, 6> kLinks{{
    {ids::kWebsiteLink, LinkButton::Website},
    {ids::kHelpLink, LinkButton::Help},
    {ids::kDownloadButton, LinkButton::Download},
    {ids::kUpgradeLink, LinkButton::Upgrade},
    {ids::kWatchTvLink, LinkButton::WatchTv},
    {ids::kShoppingLink, LinkButton::Shopping},
}};

struct TooltipPlace {
    int id;
    const char* text;
};

// The tooltips that never change; the shopping link's and "Go"'s are made when shown, and the
// browser toggle's belongs to the pane.
constexpr std::array<TooltipPlace, 5> kFixedTooltips{{
    {ids::kWebsiteLink, kWebsiteTooltip},
    {ids::kHelpLink, kHelpTooltip},
    {ids::kUpgradeLink, kUpgradeTooltip},
    {ids::kWatchTvLink, kWatchTvTooltip},
    {ids::kGoButton, kGoTooltip},
}};

} // namespace

void CStation::CreateLinks() {
    pane_ = std::make_unique<BrowserPane>(*this, *Button(ids::kHideButton),
                                          *Button(ids::kBrowserToggle), core_, palette_,
                                          context_.screenHeight);
    for (const TooltipPlace& place : kFixedTooltips) {
        Button(place.id)->SetTooltipText(QString::fromLatin1(place.text));
    }
    // Made again each time it shows; one from the start names the button for screen readers.
    RefreshLinkTooltip(Button(ids::kShoppingLink));
    for (const LinkPlace& place : kLinks) {
        connect(Button(place.id), &QPushButton::clicked, this,
                [this, link = place.link] { OpenInPane(LinkAddress(link, core_.Bases().site)); });
    }
    connect(Button(ids::kGoButton), &QPushButton::clicked, this, &CStation::OnSearch);
    connect(Button(ids::kBrowserToggle), &QPushButton::clicked, this, [this] {
        pane_->Toggle(QString::fromStdString(LinkAddress(LinkButton::Website, core_.Bases().site)));
    });
    connect(shoppingList_, &QComboBox::activated, this, &CStation::OnShoppingChosen);
}

// The two requests may take seconds when the catalogue server does not answer, so they run
// off the interface thread; the list fills when both are done.
void CStation::LoadShoppingList() {
    shoppingList_->clear();
    core_.LoadShopping(this, [this](const ShoppingData& data) { FillShoppingList(data); });
}

void CStation::FillShoppingList(const ShoppingData& data) {
    shoppingRoot_ = data.root;
    shoppingList_->clear();
    shoppingList_->addItem(QString::fromStdString(ShoppingHeading(ReadLocalClock().seconds)));
    for (const std::string& topic : data.list.topics) {
        shoppingList_->addItem(QString::fromStdString(topic));
    }
    shoppingList_->setCurrentIndex(0);
}

void CStation::OnShoppingChosen(int index) {
    // The heading opens nothing; nor does a topic while no shopping root is known, as the
    // topic alone is no address.
    if (index <= 0 || shoppingRoot_.empty()) {
        return;
    }
    OpenInPane(ShoppingAddress(shoppingRoot_, shoppingList_->itemText(index).toStdString()));
}

void CStation::OnSearch() {
    OpenInPane(SearchAddress(core_.Bases().search, searchEdit_->text().toStdString()));
}

void CStation::OpenInPane(const std::string& address) {
    pane_->Open(QString::fromStdString(address));
}

void CStation::ReopenPane() {
    if (core_.BrowserPaneOpen()) {
        OpenInPane(LinkAddress(LinkButton::Website, core_.Bases().site));
    }
}

void CStation::RefreshLinkTooltip(CSkinButton* button) {
    if (button == Button(ids::kShoppingLink)) {
        button->SetTooltipText(QString::fromStdString(ShoppingTooltip(ReadLocalClock().seconds)));
    } else if (button == Button(ids::kGoButton)) {
        button->SetTooltipText(
            QString::fromStdString(GoTooltip(searchEdit_->text().toStdString())));
    }
}

} // namespace sonavia
