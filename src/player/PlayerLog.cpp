#include "player/PlayerLog.h"

namespace sonavia {
Q_LOGGING_CATEGORY(lcPlayer, "sonavia.player", QtWarningMsg)
} // namespace sonavia
