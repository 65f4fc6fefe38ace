#include "shell/CMessage.h"

#include "controls/CColorStatic.h"
#include "controls/Painting.h"
#include "resources/ControlIds.h"
#include "rules/MessageText.h"
#include "rules/Product.h"

#include <QApplication>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <utility>

namespace sonavia {

namespace {

constexpr char kOkCaption[] = "OK";
// The dialog's smallest layout; the text area and the button grow with the user's font.
constexpr QSize kMinTextSize{316, 48};
constexpr QSize kMinOkSize{76, 26};
constexpr int kSideMargin = 12;
constexpr int kTopMargin = 14;
constexpr int kTextToOk = 12;
constexpr int kBottomMargin = 12;

} // namespace

CMessage::CMessage(const QString& text, QWidget* owner, QColor themeColour)
    : QDialog(owner), themeColour_(std::move(themeColour)) {
    ids::SetControlId(this, ids::kMessageTemplate);
    setWindowTitle(QString::fromLatin1(kProductTitle));
    setModal(true);

    text_ = new CColorStatic(this, themeColour_);
    ids::SetControlId(text_, ids::kMessageText);
    text_->setText(QString::fromStdString(BreakMessageText(text.toStdString())));

    auto* ok = new QPushButton(QString::fromLatin1(kOkCaption), this);
    ids::SetControlId(ok, ids::kOk);
    ok->setAutoDefault(false);
    ok->setCursor(Qt::PointingHandCursor);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    // Every line shows whole at the user's font size: the text area takes the text's size.
    const QSize textSize = kMinTextSize.expandedTo(text_->sizeHint());
    const QSize okSize = kMinOkSize.expandedTo(ok->sizeHint());
    const int width = 2 * kSideMargin + std::max(textSize.width(), okSize.width());
    text_->setGeometry(QRect(QPoint((width - textSize.width()) / 2, kTopMargin), textSize));
    ok->setGeometry(QRect(
        QPoint((width - okSize.width()) / 2, kTopMargin + textSize.height() + kTextToOk), okSize));
    setFixedSize(width, ok->geometry().bottom() + 1 + kBottomMargin);
}

QString CMessage::ShownText() const {
    return text_->text();
}

void CMessage::showEvent(QShowEvent* event) {
    const QWidget* owner = parentWidget();
    const QRect area = owner && owner->isVisible() ? owner->frameGeometry()
                       : QGuiApplication::primaryScreen()
                           ? QGuiApplication::primaryScreen()->availableGeometry()
                           : QRect(QPoint(0, 0), size());
    QRect frame = frameGeometry();
    frame.moveCenter(area.center());
    move(frame.topLeft());
    QDialog::showEvent(event);
}

void CMessage::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    FillGradient(painter, rect(), themeColour_);
}

void ShowMessage(const QString& text, const QColor& themeColour) {
    CMessage dialog(text, QApplication::activeWindow(), themeColour);
    dialog.exec();
}

} // namespace sonavia
