#pragma once

#include <QUrl>

class QSize;
class QWidget;

namespace sonavia {

// What shows the pages inside the browser pane's control: a web view of the engine's module in
// the program (WebViewModule.h), or the browser program with its window inside the control's
// (BrowserProtocol.h). Deleting it gives back what the engine holds for it.
class PageView {
public:
    PageView() = default;
    PageView(const PageView&) = delete;
    PageView& operator=(const PageView&) = delete;
    virtual ~PageView() = default;

    // Starts loading `address` and returns at once; the last address asked for is shown.
    virtual void Load(const QUrl& address) = 0;
    // The address it shows now (the user may have followed links); invalid when it cannot tell.
    virtual QUrl Showing() const = 0;
    // The control's size and whether it is shown.
    virtual void Resize(const QSize& size) = 0;
    virtual void SetShown(bool shown) = 0;
    // It shows nothing any more: its program ended.
    virtual bool Ended() const = 0;
    // The web view when it lives in this process, else null.
    virtual QWidget* Widget() const = 0;
};

} // namespace sonavia
