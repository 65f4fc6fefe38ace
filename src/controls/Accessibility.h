#pragma once

#include <QString>
#include <QWidget>

// How the skinned controls present themselves to screen readers (AT-SPI on Linux): the check box
// and the option button with the check state they keep themselves, and status areas over parts
// of the skin that change all the time (the level meter), which are described when their state
// changes rather than read on every repaint.
namespace sonavia {

// Makes the program's own accessible interfaces known, after the application exists; later calls
// change nothing.
void InstallControlAccessibility();

// A part of the window that shows a status by drawing it (the level meter, the activity box): an
// invisible area over it that screen readers find as a status bar, named, with the status as its
// description.
class StatusArea : public QWidget {
    Q_OBJECT
public:
    StatusArea(const QString& name, QWidget* parent);
    // Tells screen readers of the new status, once, when it differs from the last one.
    void SetStatus(const QString& status);
};

} // namespace sonavia
