#pragma once

#include <QLoggingCategory>

namespace sonavia {

// The files beside the program: an archive or entry that cannot be read, a file that cannot be
// written.
Q_DECLARE_LOGGING_CATEGORY(lcLocalFiles)

} // namespace sonavia
