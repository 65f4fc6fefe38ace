#pragma once

#include <QLoggingCategory>

namespace sonavia {

// The catalogue server: where the catalogue, the flags and the shopping list came from, and
// why a reply was set aside.
Q_DECLARE_LOGGING_CATEGORY(lcCatalogue)

} // namespace sonavia
