#pragma once

#include <QLoggingCategory>

namespace sonavia {
// The player's log: GStreamer's errors and warnings, and the player's decisions (at info).
Q_DECLARE_LOGGING_CATEGORY(lcPlayer)
} // namespace sonavia
