#include "controls/CPopupText.h"

#include <QApplication>
#include <QFontMetrics>
#include <QPainter>
#include <algorithm>

namespace sonavia {

CPopupText::CPopupText(const SkinPalette& palette)
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint), palette_(palette) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setFocusPolicy(Qt::NoFocus);
    setFont(QApplication::font("QMenu"));
    resize(0, 0);
    timer_.setObjectName(QString::number(kTooltipTimerId));
    // Never earlier than asked: a coarse timer may fire a few per cent early.
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &CPopupText::TimerFired);
}

void CPopupText::SetMargins(int horizontal, int vertical) {
    horizontalMargin_ = horizontal;
    verticalMargin_ = vertical;
}

void CPopupText::SetText(const QString& text) {
    // A screen reader reads the tip as it shows.
    setAccessibleName(text);
    const QFontMetrics metrics(font());
    const QStringList lines = text.split(QLatin1Char('\n'));
    int textWidth = 0;
    for (const QString& line : lines) {
        textWidth = std::max(textWidth, metrics.horizontalAdvance(line));
    }
    const int textHeight = metrics.height() * static_cast<int>(lines.size());

    const int newWidth = textWidth + 2 * horizontalMargin_;
    const int newHeight = verticalMargin_ != 0 ? textHeight + 2 * verticalMargin_ : height();
    resize(newWidth, std::clamp(newHeight, kMinHeight, kMaxHeight));
    text_ = text;
    update();
}

void CPopupText::ShowTimed(int milliseconds) {
    timer_.start(milliseconds);
    show();
    raise();
    repaint();
    shown_ = true;
}

void CPopupText::Hide() {
    if (!shown_) {
        return;
    }
    timer_.stop();
    hide();
    shown_ = false;
}

void CPopupText::TimerFired() {
    Hide();
    emit TimedOut();
}

void CPopupText::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    // The thin frame takes the outermost pixels; the gradient and the text fill the rest.
    const QRect inside = rect().adjusted(1, 1, -1, -1);
    painter.setPen(Qt::black);
    painter.setBrush(Qt::NoBrush);
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    FillGradient(painter, inside, palette_.panel);
    painter.setPen(Qt::black);
    painter.drawText(inside, Qt::AlignCenter | Qt::TextSingleLine, text_);
}

} // namespace sonavia
