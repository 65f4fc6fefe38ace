#pragma once

#include "rules/LinkAddresses.h"

#include <QLineEdit>

namespace sonavia {

// The search text box: a left or right press on the hint (kSearchHint) empties the box
// first.
class CSearchEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CSearchEdit(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace sonavia
