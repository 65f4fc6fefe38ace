#pragma once

#include "browser/WebEngineSandbox.h"

#include <QPointer>
#include <QRect>
#include <QString>
#include <chrono>

class QWidget;

namespace sonavia {

// The browser pane's web view. The radio window holds one and creates its view only when the
// pane first opens, as the web engine is costly to start; the program does not link the engine.
//
// The control is a plain widget that holds the view. On X11 the view runs in the browser program
// (BrowserProtocol.h), started then, with its window inside the control's; elsewhere it is a web
// view of the engine's module (WebViewModule.h), loaded into the program then. Hidden for
// kReleaseDelay, the control gives the view back: the browser program ends, and with it the
// engine and all its processes; a view of the module goes, with its renderer process (the engine
// itself stays in the program until it ends). Shown again, the control makes a new view, which
// loads the address the old one showed.
//
// The maker's pages end in ".php" and come from folders (file://) or from servers that may send
// them with no or a wrong type; the engine would offer such a page as a download or show its
// text. The view shows every ".php" page that reaches it as a download or as plain text as a web
// page instead, with its own address, so that its links and pictures work. A reply that does not
// start with a tag (after blanks) stays what it was, and a page too big for the engine to take
// whole (2 MB once percent-encoded) is not shown.
class CRadio_explorer {
public:
    static constexpr std::chrono::milliseconds kReleaseDelay{10000};

    CRadio_explorer() = default;
    CRadio_explorer(const CRadio_explorer&) = delete;
    CRadio_explorer& operator=(const CRadio_explorer&) = delete;
    // The control belongs to its parent widget, which deletes it.
    ~CRadio_explorer() = default;

    // Creates the control with its web view as a visible child of `parent` in `rect`. Afterwards
    // Window() is null when the view could not be created (neither the browser program nor the
    // web engine's module is there); the caller then does nothing more.
    void Create(const QRect& rect, QWidget* parent);
    QWidget* Window() const;
    // The web view (a QWebEngineView) while the control holds one in this process, else null.
    QWidget* View() const;
    // Starts loading `address` and returns at once.
    void Navigate(const QString& address);
    // Shows the view and lets it take input.
    void ShowAndEnable();
    void Hide();
    void SetParent(QWidget* parent);

private:
    QPointer<QWidget> control_;
};

} // namespace sonavia
