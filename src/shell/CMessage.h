#pragma once

#include <QDialog>

namespace sonavia {

class CColorStatic;

// The program's modal message dialog: one text on a gradient and an "OK" button.
class CMessage : public QDialog {
    Q_OBJECT
public:
    explicit CMessage(const QString& text, QWidget* owner = nullptr);

    // The text as shown, with its line break.
    QString ShownText() const;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    CColorStatic* text_ = nullptr;
};

// Shows `text` in the message dialog and returns when the user has closed it.
void ShowMessage(const QString& text);

} // namespace sonavia
