#include "radio/BrowserPane.h"

#include "controls/CSkinButton.h"
#include "controls/DisplayServer.h"
#include "controls/Painting.h"
#include "radio/RadioCore.h"
#include "resources/ControlIds.h"
#include "rules/LinkAddresses.h"
#include "rules/PaneGeometry.h"

#include <QPaintEvent>
#include <QPainter>
#include <QPushButton>
#include <QWindow>
#include <algorithm>

namespace sonavia {

namespace {

// The holder: what the view leaves free of it, a 6-pixel frame, shows the panel colour.
class PaneHolder : public QWidget {
public:
    PaneHolder(QWidget* radioWindow, bool inWindow, const SkinPalette& palette)
        : QWidget(radioWindow, inWindow ? Qt::Widget : Qt::Window | Qt::FramelessWindowHint),
          palette_(palette) {
        ids::SetControlId(this, ids::kBrowserHolder);
        setWindowTitle(QString::fromLatin1(kBrowserPaneTitle));
        // A part of the radio window would show with it; the pane shows when it opens.
        hide();
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        QPainter painter(this);
        painter.fillRect(event->rect(), palette_.panel);
    }

private:
    const SkinPalette& palette_;
};

EdgeRect EdgesOf(const QRect& rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

QRect RectOf(const EdgeRect& edges) {
    return {edges.left, edges.top, edges.Width(), edges.Height()};
}

} // namespace

BrowserPane::BrowserPane(QWidget& radioWindow, QPushButton& hideButton, CSkinButton& toggleButton,
                         RadioCore& core, const SkinPalette& palette, int screenHeight)
    : inWindow_(OnWayland()), window_(radioWindow), hideButton_(hideButton),
      toggleButton_(toggleButton), core_(core), screenHeight_(screenHeight),
      holder_(new PaneHolder(&radioWindow, inWindow_, palette)) {
    hideButton_.setText(QString::fromLatin1(kHideCaption));
    toggleButton_.SetTooltipText(QString::fromLatin1(kLaunchBrowserTooltip));
}

// The holder and the view inside it belong to the radio window, which deletes them.
BrowserPane::~BrowserPane() = default;

void BrowserPane::Open(const QString& address) {
    if (holder_ == nullptr) {
        return;
    }
    EdgeRect window;
    if (inWindow_) {
        Grow();
        window = {0, 0, skinSize_.width(), skinSize_.height()};
    } else {
        window = AtTopEdge(EdgesOf(window_.frameGeometry()));
        window_.move(window.left, window.top);
    }
    holder_->setWindowTitle(QString::fromLatin1(kBrowserPaneTitle));
    if (browser_.Window() == nullptr) {
        browser_.Create(RectOf(BrowserViewRect(window, screenHeight_)), holder_);
    }
    if (browser_.Window() == nullptr) {
        Shrink();
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
    holder_->setGeometry(RectOf(PaneRect()));
    holder_->show();
    holder_->setEnabled(true);
    browser_.Navigate(address);
    toggleButton_.SetTooltipText(QString::fromLatin1(kHideBrowserTooltip));
}

void BrowserPane::Toggle(const QString& startPage) {
    if (Shown()) {
        holder_->hide();
        Shrink();
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
    Shrink();
}

void BrowserPane::SkinChanged() {
    grown_ = false;
    if (holder_ == nullptr) {
        return;
    }
    if (inWindow_ && Shown()) {
        Grow();
        holder_->setGeometry(RectOf(PaneRect()));
    }
    holder_->update();
}

EdgeRect BrowserPane::PaneRect() const {
    if (inWindow_) {
        return BrowserPaneRect({0, 0, skinSize_.width(), skinSize_.height()}, screenHeight_);
    }
    return BrowserPaneRect(AtTopEdge(EdgesOf(window_.frameGeometry())), screenHeight_);
}

void BrowserPane::Grow() {
    const bool growing = !grown_;
    if (growing) {
        skinSize_ = window_.size();
        skinShape_ = window_.mask();
        grown_ = true;
    }
    const EdgeRect pane = PaneRect();
    window_.setFixedSize(skinSize_.width(), std::max(skinSize_.height(), pane.bottom));
    if (!skinShape_.isEmpty()) {
        window_.setMask(skinShape_ | QRegion(RectOf(pane)));
    }
    // Grown in place, the window would reach past the bottom of the screen: shown anew, the
    // compositor places it whole, as the pane below a window at the top edge fits the screen.
    QWindow* surface = window_.windowHandle();
    if (growing && surface != nullptr && surface->isVisible()) {
        surface->hide();
        surface->show();
    }
}

void BrowserPane::Shrink() {
    if (!grown_) {
        return;
    }
    grown_ = false;
    window_.setFixedSize(skinSize_);
    if (!skinShape_.isEmpty()) {
        window_.setMask(skinShape_);
    }
}

bool BrowserPane::Shown() const {
    return browser_.Window() != nullptr && holder_ != nullptr && holder_->isVisible();
}

} // namespace sonavia
