#include "radio/CSonavia.h"

#include "resources/ControlIds.h"
#include "shell/AppValues.h"

namespace sonavia {

CSonavia::CSonavia(QWidget* parent) : QDialog(parent) {
    ids::SetControlId(this, ids::kRadioTemplate);
    setWindowTitle(QStringLiteral("Sonavia Plus"));
}

void CSonavia::Create() {
    settings_ = LoadSettings(app::startupDirectory);
    hide();
}

} // namespace sonavia
