#pragma once

#include "localfiles/LocalFiles.h"

#include <QDialog>

namespace sonavia {

// The radio base window: never shown, it does the start-up work and keeps the program running
// while no radio window is open.
class CSonavia : public QDialog {
    Q_OBJECT
public:
    explicit CSonavia(QWidget* parent = nullptr);

    // The base window's initialisation; runs once when the shell creates the window.
    void Create();

    const Settings& BaseSettings() const { return settings_; }

private:
    Settings settings_;
};

} // namespace sonavia
