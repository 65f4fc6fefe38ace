#pragma once

#include <QLoggingCategory>

namespace sonavia {

// The web view: which engine shows the pane (the browser program or the module), the pages it
// is asked to load, and an engine that could not be found or ended.
Q_DECLARE_LOGGING_CATEGORY(lcBrowser)

} // namespace sonavia
