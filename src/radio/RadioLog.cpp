#include "radio/RadioLog.h"

namespace sonavia {

Q_LOGGING_CATEGORY(lcRadio, "sonavia.radio", QtWarningMsg)

} // namespace sonavia
