#pragma once

namespace sonavia {

// The program's log goes to standard error, each line with its time, kind and category
// ("sonavia.player", "sonavia.network", ...). Warnings show by default; `verbose` adds every
// category's information and debug lines. The usual rules of the window toolkit's logging
// (QT_LOGGING_RULES, QT_MESSAGE_PATTERN) still win over both.
void SetUpLog(bool verbose);

} // namespace sonavia
