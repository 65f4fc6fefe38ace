#include "localfiles/LocalFilesLog.h"

namespace sonavia {

Q_LOGGING_CATEGORY(lcLocalFiles, "sonavia.localfiles", QtWarningMsg)

} // namespace sonavia
