#pragma once

#include <QAbstractButton>

namespace sonavia {

// A check box drawn as a square box with a square mark over the skin behind it. A click toggles
// it and reports the new state.
class CCheckButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CCheckButton(const QString& text, QWidget* parent = nullptr);

    bool Checked() const { return checked_; }

    // Flips the check state and repaints; the owner also calls it to restore a saved state.
    void Toggle();
    // Clears the check state without repainting.
    void Uncheck() { checked_ = false; }

signals:
    // A click flipped the check state.
    void Toggled(bool checked);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool checked_ = false;
};

} // namespace sonavia
