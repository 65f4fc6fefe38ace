#include "resources/ControlIds.h"

#include <QVariant>
#include <QWidget>

namespace sonavia::ids {

void SetControlId(QWidget* widget, int id) {
    widget->setProperty(kControlIdProperty, id);
}

int ControlIdOf(const QWidget* widget) {
    const QVariant id = widget->property(kControlIdProperty);
    return id.isValid() ? id.toInt() : 0;
}

QWidget* FindControl(const QWidget* parent, int id) {
    for (QWidget* child : parent->findChildren<QWidget*>()) {
        if (ControlIdOf(child) == id) {
            return child;
        }
    }
    return nullptr;
}

} // namespace sonavia::ids
