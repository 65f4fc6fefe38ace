#pragma once

#include <QObject>

namespace sonavia {

// Swallows Tab, Enter, Escape, Alt and every Alt+key in every dialog and menu of the program,
// so that Enter presses no default button, Escape cancels nothing, Tab moves no focus and Alt
// reaches no mnemonic or menu.
// Help keys open nothing. Installed once on the application.
class KeyboardFilter : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    static bool IsFilteredKey(int key);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

} // namespace sonavia
