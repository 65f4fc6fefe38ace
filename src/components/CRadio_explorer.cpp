#include "components/CRadio_explorer.h"

#include "resources/ControlIds.h"

#include <QUrl>
#include <QWebEngineView>
#include <unistd.h>

namespace sonavia {

namespace {

// The web engine's own sandbox cannot start for the superuser; it must be told before its first
// view exists.
void AllowRunningAsSuperuser() {
    constexpr char kDisableSandbox[] = "QTWEBENGINE_DISABLE_SANDBOX";
    if (geteuid() == 0 && qEnvironmentVariableIsEmpty(kDisableSandbox)) {
        qputenv(kDisableSandbox, "1");
    }
}

} // namespace

void CRadio_explorer::Create(const QRect& rect, QWidget* parent) {
    if (view_ != nullptr || parent == nullptr) {
        return;
    }
    AllowRunningAsSuperuser();
    view_ = new QWebEngineView(parent);
    ids::SetControlId(view_, ids::kBrowserControl);
    view_->setGeometry(rect);
    view_->show();
}

QWidget* CRadio_explorer::Window() const {
    return view_;
}

void CRadio_explorer::Navigate(const QString& address) {
    if (view_ != nullptr) {
        view_->load(QUrl::fromUserInput(address));
    }
}

void CRadio_explorer::ShowAndEnable() {
    if (view_ != nullptr) {
        view_->show();
        view_->setEnabled(true);
    }
}

void CRadio_explorer::Hide() {
    if (view_ != nullptr) {
        view_->hide();
    }
}

void CRadio_explorer::SetParent(QWidget* parent) {
    if (view_ != nullptr && parent != nullptr) {
        // setParent hides a widget; the control keeps the visibility it had.
        const bool visible = view_->isVisibleTo(view_->parentWidget());
        view_->setParent(parent);
        view_->setVisible(visible);
    }
}

} // namespace sonavia
