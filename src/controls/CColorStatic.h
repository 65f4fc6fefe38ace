#pragma once

#include "controls/Painting.h"

#include <QLabel>

namespace sonavia {

// A static text on a gradient from light grey to `colour` (the theme colour), centred horizontally
// from the top.
class CColorStatic : public QLabel {
    Q_OBJECT
public:
    explicit CColorStatic(QWidget* parent = nullptr, QColor colour = DefaultPalette().theme);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_;
};

} // namespace sonavia
