#pragma once

#include <QAbstractButton>

namespace sonavia {

// A check box drawn as a square box with a square mark over the skin behind it. A click toggles
// it; the one registered as controls::muteBox also drives the radio window's mute operation.
class CCheckButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CCheckButton(const QString& text, QWidget* parent = nullptr);
    ~CCheckButton() override;

    int Checked() const { return checked_; }

    // Flips the check state and repaints; the owner also calls it to restore a saved state.
    void Toggle();
    // Clears the check state without repainting.
    void Uncheck() { checked_ = 0; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int checked_ = 0;
};

} // namespace sonavia
