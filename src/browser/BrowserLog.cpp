#include "browser/BrowserLog.h"

namespace sonavia {

Q_LOGGING_CATEGORY(lcBrowser, "sonavia.browser", QtWarningMsg)

} // namespace sonavia
