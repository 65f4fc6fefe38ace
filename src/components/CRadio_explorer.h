#pragma once

#include <QPointer>
#include <QRect>
#include <QString>
#include <chrono>

class QWidget;

namespace sonavia {

// Runs the web engine's sandbox for everyone but the superuser, whom the engine refuses to run
// for with it: the sandbox is lifted for the superuser and kept for any other user, whatever the
// environment asks. Takes effect only before the first web view exists, so the start-up calls it
// before the application object; Create calls it again.
void PrepareWebEngine();
// The same for a process run by the superuser or not.
void PrepareWebEngineFor(bool superuser);

// The browser pane's web view. The radio window holds one and creates its view only when the
// pane first opens: the web engine is a module of its own (WebViewModule.h), loaded then, as it
// is costly to start.
//
// The control is a plain widget that holds the web view. Hidden for kReleaseDelay, it gives the
// view back, and with it what the engine holds for its page (its renderer process above all);
// shown again, it makes a new view, which loads the address the old one showed.
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
    // Window() is null when the view could not be created (the web engine's module is missing);
    // the caller then does nothing more.
    void Create(const QRect& rect, QWidget* parent);
    QWidget* Window() const;
    // The web view (a QWebEngineView) while the control holds one.
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
