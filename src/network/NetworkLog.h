#pragma once

#include <QLoggingCategory>

namespace sonavia {

// Requests: each one's address, libcurl's result, the HTTP status and the time it took.
Q_DECLARE_LOGGING_CATEGORY(lcNetwork)

} // namespace sonavia
