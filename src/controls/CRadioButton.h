#pragma once

#include <QAbstractButton>

namespace sonavia {

// An option button drawn like the check box. Checking it unchecks the other radio buttons of its
// group: the CRadioButtons that share its parent.
class CRadioButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CRadioButton(const QString& text, QWidget* parent = nullptr);

    bool Checked() const { return checked_; }

    // Checks this button and unchecks the rest of its group; runs on a click, and the owner calls
    // it to restore a saved choice.
    void Check();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool checked_ = false;
};

} // namespace sonavia
