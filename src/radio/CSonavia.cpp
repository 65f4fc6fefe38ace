#include "radio/CSonavia.h"

#include "resources/ControlIds.h"
#include "resources/Resources.h"
#include "rules/Product.h"
#include "shell/AppValues.h"

#include <QIcon>

namespace sonavia {

CSonavia::CSonavia(QWidget* parent) : QDialog(parent) {
    ids::SetControlId(this, ids::kRadioTemplate);
    setWindowTitle(QString::fromLatin1(kProductTitle));
    setWindowIcon(QIcon(QString::fromLatin1(resources::kWindowIcon)));
}

void CSonavia::Create() {
    settings_ = LoadSettings(app::startupDirectory);
    hide();
}

} // namespace sonavia
