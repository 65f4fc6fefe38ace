#pragma once

#include "browser/CRadio_explorer.h"
#include "rules/PaneGeometry.h"

#include <QPointer>
#include <QRegion>
#include <QSize>
#include <QString>

class QPushButton;
class QWidget;

namespace sonavia {

class CSkinButton;
class RadioCore;
struct SkinPalette;

// The "Hide" button's caption while the pane is closed.
inline constexpr char kHideCaption[] = "Hide";

// The browser pane of a radio window: the holder (control 1096) as a top-level window below the
// radio window, with the web view inside it. The view is created the first time the pane opens,
// as the web engine costs a great deal of memory once started; a radio window that never opens
// the pane never starts it. The holder is a window of the radio window's own, so that it takes
// input while the radio window runs modally, and goes with it.
//
// Where no program may place its own windows (Wayland), the holder is part of the radio window
// instead: the window grows down to hold the pane at the same place below its skin, its shape
// takes the pane in, and window and pane move as one.
//
// The radio keeps whether the pane was open when the radio window closed: set when the pane
// opens, cleared by the toggle, kept by the radio window's "Hide".
class BrowserPane {
public:
    // The pane of `radioWindow`, whose "Hide" button shows "Close Browser" while the pane is open
    // and whose browser toggle's tooltip says what the toggle will do. The pane is as tall as
    // `screenHeight` allows, and its frame shows `palette`'s panel colour.
    BrowserPane(QWidget& radioWindow, QPushButton& hideButton, CSkinButton& toggleButton,
                RadioCore& core, const SkinPalette& palette, int screenHeight);
    BrowserPane(const BrowserPane&) = delete;
    BrowserPane& operator=(const BrowserPane&) = delete;
    ~BrowserPane();

    // Moves the radio window to the top edge of the screen, shows the pane below it and starts
    // loading `address` there. Shows nothing when the web view cannot be created.
    void Open(const QString& address);
    // The browser toggle: hides a shown pane, else opens `startPage`.
    void Toggle(const QString& startPage);
    // The radio window closes with "Hide": the pane goes too but stays marked open, so that the
    // next radio window opens it again.
    void HideForClose();
    // The skin set the radio window's size and shape anew (a change of hue): the frame around
    // the view takes the new panel colour, and a pane in the window takes its room again.
    void SkinChanged();

    // The view exists and the pane is on the screen.
    bool Shown() const;
    // The pane is part of the radio window rather than a window of its own.
    bool InWindow() const { return inWindow_; }

private:
    // The pane's place: below the radio window at the top edge of the screen, in screen
    // coordinates, or below the skin in the radio window's own.
    EdgeRect PaneRect() const;
    // The radio window as the skin makes it, or grown to hold the pane.
    void Grow();
    void Shrink();

    const bool inWindow_;
    QWidget& window_;
    QPushButton& hideButton_;
    CSkinButton& toggleButton_;
    RadioCore& core_;
    const int screenHeight_;
    QPointer<QWidget> holder_;
    CRadio_explorer browser_;
    // The skin's size and shape, kept while the window is grown.
    bool grown_ = false;
    QSize skinSize_;
    QRegion skinShape_;
};

} // namespace sonavia
