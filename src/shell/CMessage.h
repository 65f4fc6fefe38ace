#pragma once

#include "controls/Painting.h"

#include <QDialog>

namespace sonavia {

class CColorStatic;

// The program's modal message dialog: one text on a gradient and an "OK" button.
class CMessage : public QDialog {
    Q_OBJECT
public:
    // The dialog's gradient and its text's run to `themeColour`.
    explicit CMessage(const QString& text, QWidget* owner = nullptr,
                      QColor themeColour = DefaultPalette().theme);

    // The text as shown, with its line break.
    QString ShownText() const;

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    QColor themeColour_;
    CColorStatic* text_ = nullptr;
};

// Shows `text` in the message dialog, painted in `themeColour`, and returns when the user has
// closed it.
void ShowMessage(const QString& text, const QColor& themeColour = DefaultPalette().theme);

} // namespace sonavia
