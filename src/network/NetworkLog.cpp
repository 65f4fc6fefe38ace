#include "network/NetworkLog.h"

namespace sonavia {

Q_LOGGING_CATEGORY(lcNetwork, "sonavia.network", QtWarningMsg)

} // namespace sonavia
