#pragma once

#include <QLineEdit>

namespace sonavia {

// The hint the search box shows until it is clicked.
inline constexpr char kSearchHint[] = "Type your text here";

// The search text box: a left or right press on the hint empties the box first.
class CSearchEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CSearchEdit(QWidget* parent = nullptr);

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

} // namespace sonavia
