#pragma once

#include <QPointer>
#include <QRect>
#include <QString>

class QWebEngineView;
class QWidget;

namespace sonavia {

// The browser pane's web view. The radio window holds one and creates its view only when the
// pane first opens, as the web engine is costly to start.
class CRadio_explorer {
public:
    CRadio_explorer() = default;
    CRadio_explorer(const CRadio_explorer&) = delete;
    CRadio_explorer& operator=(const CRadio_explorer&) = delete;
    // The view belongs to its parent widget, which deletes it.
    ~CRadio_explorer() = default;

    // Creates the view as a visible child control of `parent` in `rect`. Afterwards Window() is
    // null when the view could not be created; the caller then does nothing more.
    void Create(const QRect& rect, QWidget* parent);
    QWidget* Window() const;
    // Starts loading `address` and returns at once.
    void Navigate(const QString& address);
    // Shows the view and lets it take input.
    void ShowAndEnable();
    void Hide();
    void SetParent(QWidget* parent);

    QWebEngineView* View() const { return view_; }

private:
    QPointer<QWebEngineView> view_;
};

} // namespace sonavia
