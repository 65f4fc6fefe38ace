#pragma once

#include <QLoggingCategory>

namespace sonavia {

// The radio's play sequence and catalogue: every decision at info level, failures as warnings.
Q_DECLARE_LOGGING_CATEGORY(lcRadio)

} // namespace sonavia
