#include "shell/KeyboardFilter.h"

#include <QDialog>
#include <QKeyEvent>
#include <QMenu>

namespace sonavia {

namespace {

bool InDialogOrMenu(QObject* watched) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (!widget) {
        return false;
    }
    QWidget* window = widget->window();
    return qobject_cast<QDialog*>(window) || qobject_cast<QMenu*>(window);
}

} // namespace

bool KeyboardFilter::IsFilteredKey(int key) {
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_F1:
    case Qt::Key_Help:
        return true;
    default:
        return false;
    }
}

bool KeyboardFilter::eventFilter(QObject* watched, QEvent* event) {
    const auto type = event->type();
    if ((type == QEvent::KeyPress || type == QEvent::ShortcutOverride) && InDialogOrMenu(watched)) {
        auto* key = static_cast<QKeyEvent*>(event);
        // Alt+letter is how mnemonics and menu bars take their keys.
        if (IsFilteredKey(key->key()) || key->modifiers().testFlag(Qt::AltModifier)) {
            // An accepted override keeps the key from the shortcut map, where mnemonics live;
            // the key press that follows is swallowed here too.
            event->accept();
            return true;
        }
    }
    if (type == QEvent::WhatsThis || type == QEvent::QueryWhatsThis) {
        return true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace sonavia
