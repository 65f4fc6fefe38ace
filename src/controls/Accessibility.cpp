#include "controls/Accessibility.h"

#include "controls/CCheckButton.h"
#include "controls/CRadioButton.h"

#include <QAccessibleWidget>

namespace sonavia {

namespace {

// The check box and the option button: their role, and the check state they keep.
class CheckAccessible : public QAccessibleWidget {
public:
    CheckAccessible(QAbstractButton* button, QAccessible::Role role)
        : QAccessibleWidget(button, role) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.checkable = true;
        state.checked = Checked();
        return state;
    }

    QString text(QAccessible::Text kind) const override {
        QString text = QAccessibleWidget::text(kind);
        if (kind == QAccessible::Name && text.isEmpty()) {
            text = Button()->text();
        }
        return text;
    }

    QStringList actionNames() const override {
        return QStringList{toggleAction()} + QAccessibleWidget::actionNames();
    }
    void doAction(const QString& action) override {
        if (action == toggleAction()) {
            Button()->click();
        } else {
            QAccessibleWidget::doAction(action);
        }
    }

private:
    QAbstractButton* Button() const { return static_cast<QAbstractButton*>(widget()); }
    bool Checked() const {
        if (const auto* box = qobject_cast<const CCheckButton*>(widget())) {
            return box->Checked();
        }
        return static_cast<const CRadioButton*>(widget())->Checked();
    }
};

QAccessibleInterface* ControlAccessible(const QString& className, QObject* object) {
    if (auto* box = qobject_cast<CCheckButton*>(object);
        box != nullptr && className == QLatin1String(CCheckButton::staticMetaObject.className())) {
        return new CheckAccessible(box, QAccessible::CheckBox);
    }
    if (auto* option = qobject_cast<CRadioButton*>(object);
        option != nullptr &&
        className == QLatin1String(CRadioButton::staticMetaObject.className())) {
        return new CheckAccessible(option, QAccessible::RadioButton);
    }
    if (auto* area = qobject_cast<StatusArea*>(object);
        area != nullptr && className == QLatin1String(StatusArea::staticMetaObject.className())) {
        return new QAccessibleWidget(area, QAccessible::StatusBar);
    }
    return nullptr;
}

} // namespace

void InstallControlAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(ControlAccessible);
        return true;
    }();
    Q_UNUSED(installed);
}

StatusArea::StatusArea(const QString& name, QWidget* parent) : QWidget(parent) {
    setAccessibleName(name);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAttribute(Qt::WA_NoSystemBackground);
    // It draws nothing: the window's many repaints of the part beneath it (the meter every tick)
    // need not visit it.
    setUpdatesEnabled(false);
}

void StatusArea::SetStatus(const QString& status) {
    if (status != accessibleDescription()) {
        setAccessibleDescription(status);
    }
}

} // namespace sonavia
