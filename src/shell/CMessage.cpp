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

namespace sonavia {

namespace {

constexpr char kOkCaption[] = "OK";
constexpr QSize kDialogSize{340, 112};
constexpr QRect kTextRect{12, 14, 316, 48};
constexpr QRect kOkRect{132, 74, 76, 26};

} // namespace

CMessage::CMessage(const QString& text, QWidget* owner) : QDialog(owner) {
    ids::SetControlId(this, ids::kMessageTemplate);
    setWindowTitle(QString::fromLatin1(kProductTitle));
    setFixedSize(kDialogSize);
    setModal(true);

    text_ = new CColorStatic(this);
    ids::SetControlId(text_, ids::kMessageText);
    text_->setGeometry(kTextRect);
    text_->setText(QString::fromStdString(BreakMessageText(text.toStdString())));

    auto* ok = new QPushButton(QString::fromLatin1(kOkCaption), this);
    ids::SetControlId(ok, ids::kOk);
    ok->setGeometry(kOkRect);
    ok->setAutoDefault(false);
    ok->setCursor(Qt::PointingHandCursor);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
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
    FillGradient(painter, rect(), themeColour);
}

void ShowMessage(const QString& text) {
    CMessage dialog(text, QApplication::activeWindow());
    dialog.exec();
}

} // namespace sonavia
