#pragma once

#include <QLabel>

namespace sonavia {

// A static text on a light-grey-to-theme-colour gradient, centred horizontally from the top.
class CColorStatic : public QLabel {
    Q_OBJECT
public:
    explicit CColorStatic(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace sonavia
