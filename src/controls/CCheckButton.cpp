#include "controls/CCheckButton.h"

#include "controls/ControlState.h"
#include "controls/SquareButton.h"
#include "radio/RadioState.h"

#include <QPainter>

namespace sonavia {

CCheckButton::CCheckButton(const QString& text, QWidget* parent) : QAbstractButton(parent) {
    setText(text);
    setCursor(Qt::PointingHandCursor);
    connect(this, &QAbstractButton::clicked, this, &CCheckButton::Toggle);
}

CCheckButton::~CCheckButton() {
    if (controls::muteBox == this) {
        controls::muteBox = nullptr;
    }
}

void CCheckButton::Toggle() {
    checked_ = 1 - checked_;
    // The mute operation reads the flag the other way round and inverts it, so afterwards the
    // muted flag equals the mark. Other boxes leave the flag alone: it says whether the player's
    // mute is on.
    if (controls::muteBox == this) {
        radio::muted = checked_ == 0;
        if (controls::openRadioWindow != nullptr) {
            controls::openRadioWindow->ToggleMute();
        }
    }
    update();
}

void CCheckButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintSquareButton(painter, rect(), text(), checked_ != 0,
                      palette().color(QPalette::WindowText));
}

} // namespace sonavia
