#include "controls/WholeTextList.h"

#include <QAbstractItemView>
#include <QFontMetricsF>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <algorithm>

namespace sonavia {

namespace {

constexpr int kStretchStep = 5;
constexpr double kSizeStep = 0.25;
// Room for the list's own frame and scroll bar beside the widest text.
constexpr int kPopupExtra = 24;

bool Fits(const QFont& font, const QString& text, int width) {
    return QFontMetricsF(font).horizontalAdvance(text) <= width;
}

} // namespace

WholeTextList::WholeTextList(QWidget* parent) : QComboBox(parent) {}

int WholeTextList::TextFieldWidth() const {
    QStyleOptionComboBox option;
    initStyleOption(&option);
    return style()
        ->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this)
        .width();
}

QFont WholeTextList::ShownFont() const {
    const QString text = currentText();
    const int width = TextFieldWidth();
    QFont shown = font();
    if (Fits(shown, text, width)) {
        return shown;
    }
    for (int stretch = QFont::Unstretched - kStretchStep; stretch >= kNarrowestStretch;
         stretch -= kStretchStep) {
        shown.setStretch(stretch);
        if (Fits(shown, text, width)) {
            return shown;
        }
    }
    const double size = font().pointSizeF();
    for (double smaller = size - kSizeStep; smaller >= size * kSmallestShare;
         smaller -= kSizeStep) {
        shown.setPointSizeF(smaller);
        if (Fits(shown, text, width)) {
            return shown;
        }
    }
    return shown;
}

void WholeTextList::showPopup() {
    const QFontMetrics metrics(view()->font());
    int widest = 0;
    for (int i = 0; i < count(); ++i) {
        widest = std::max(widest, metrics.horizontalAdvance(itemText(i)));
    }
    view()->setMinimumWidth(std::max(width(), widest + kPopupExtra));
    QComboBox::showPopup();
}

void WholeTextList::paintEvent(QPaintEvent*) {
    // As the plain list paints itself, with the current text in the font that fits it.
    QStylePainter painter(this);
    QStyleOptionComboBox option;
    initStyleOption(&option);
    painter.drawComplexControl(QStyle::CC_ComboBox, option);
    painter.setFont(ShownFont());
    painter.drawControl(QStyle::CE_ComboBoxLabel, option);
}

} // namespace sonavia
