#pragma once

#include <QComboBox>

namespace sonavia {

// A drop-down list that shows its texts whole. The text in the closed box is narrowed (a
// condensed stretch of the list's font), then made smaller, just enough to fit the box; only a
// text too long for the smallest of those is cut. The open list is as wide as its widest text,
// wider than the box when need be.
class WholeTextList : public QComboBox {
    Q_OBJECT
public:
    // A text is narrowed to this stretch (percent of the font's width) at most, then made as
    // small as this share of the list's own font size at most.
    static constexpr int kNarrowestStretch = 80;
    static constexpr double kSmallestShare = 0.8;

    explicit WholeTextList(QWidget* parent = nullptr);

    // The font the closed box shows its current text in.
    QFont ShownFont() const;
    // The width of the text field of the closed box.
    int TextFieldWidth() const;

    void showPopup() override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace sonavia
