#include "radio/BrowserPane.h"

#include "controls/CSkinButton.h"
#include "controls/Painting.h"
#include "radio/RadioCore.h"
#include "resources/ControlIds.h"
#include "rules/LinkAddresses.h"
#include "rules/PaneGeometry.h"
#include "shell/AppValues.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>

namespace sonavia {

namespace {

// The holder: what the view leaves free of it, a 6-pixel frame, shows the panel colour.
class PaneHolder : public QWidget {
public:
    explicit PaneHolder(QWidget* radioWindow)
        : QWidget(radioWindow, Qt::Window | Qt::FramelessWindowHint) {
        ids::SetControlId(this, ids::kBrowserHolder);
        setWindowTitle(QString::fromLatin1(kBrowserPaneTitle));
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.fillRect(event->rect(), panelColour);
    }
};

EdgeRect EdgesOf(const QRect& rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

QRect RectOf(const EdgeRect& edges) {
    return {edges.left, edges.top, edges.Width(), edges.Height()};
}

} // namespace

BrowserPane::BrowserPane(QWidget& radioWindow, QPushButton& hideButton, CSkinButton& toggleButton,
                         RadioCore& core)
    : window_(radioWindow), hideButton_(hideButton), toggleButton_(toggleButton), core_(core),
      holder_(new PaneHolder(&radioWindow)) {
    hideButton_.setText(QString::fromLatin1(kHideCaption));
    toggleButton_.SetTooltipText(QString::fromLatin1(kLaunchBrowserTooltip));
}

// The holder and the view inside it belong to the radio window, which deletes them.
BrowserPane::~BrowserPane() = default;

void BrowserPane::Open(const QString& address) {
    if (holder_ == nullptr) {
        return;
    }
    const EdgeRect window = AtTopEdge(EdgesOf(window_.frameGeometry()));
    window_.move(window.left, window.top);
    holder_->setWindowTitle(QString::fromLatin1(kBrowserPaneTitle));
    if (browser_.Window() == nullptr) {
        browser_.Create(RectOf(BrowserViewRect(window, app::screenHeight)), holder_);
    }
    if (browser_.Window() == nullptr) {
        return;
    }
    browser_.SetParent(holder_);
    browser_.ShowAndEnable();
    // Screen readers call the page by the pane's name; a view made anew takes it too.
    for (QWidget* part : {browser_.Window(), browser_.View()}) {
        if (part != nullptr) {
            part->setAccessibleName(QString::fromLatin1(kBrowserPaneTitle));
        }
    }
    core_.SetBrowserPaneOpen(true);
    hideButton_.setText(QString::fromLatin1(kCloseBrowserCaption));
    holder_->setGeometry(RectOf(BrowserPaneRect(window, app::screenHeight)));
    holder_->show();
    holder_->setEnabled(true);
    browser_.Navigate(address);
    toggleButton_.SetTooltipText(QString::fromLatin1(kHideBrowserTooltip));
}

void BrowserPane::Toggle(const QString& startPage) {
    if (Shown()) {
        holder_->hide();
        toggleButton_.SetTooltipText(QString::fromLatin1(kLaunchBrowserTooltip));
        core_.SetBrowserPaneOpen(false);
        return;
    }
    Open(startPage);
}

void BrowserPane::HideForClose() {
    if (!core_.BrowserPaneOpen()) {
        return;
    }
    hideButton_.setText(QString::fromLatin1(kHideCaption));
    if (holder_ != nullptr && holder_->isVisible()) {
        holder_->hide();
    }
}

void BrowserPane::RepaintFrame() {
    if (holder_ != nullptr) {
        holder_->update();
    }
}

bool BrowserPane::Shown() const {
    return browser_.Window() != nullptr && holder_ != nullptr && holder_->isVisible();
}

} // namespace sonavia
