#include "startup/LogSetup.h"

#include <QLoggingCategory>
#include <QtGlobal>

namespace sonavia {

namespace {

constexpr char kLinePattern[] =
    "%{time yyyy-MM-dd hh:mm:ss.zzz} %{if-debug}debug%{endif}%{if-info}info%{endif}"
    "%{if-warning}warning%{endif}%{if-critical}critical%{endif}%{if-fatal}fatal%{endif} "
    "%{if-category}%{category}: %{endif}%{message}";
constexpr char kVerboseRules[] = "sonavia.*.info=true\nsonavia.*.debug=true";

} // namespace

void SetUpLog(bool verbose) {
    qSetMessagePattern(QString::fromLatin1(kLinePattern));
    if (verbose) {
        QLoggingCategory::setFilterRules(QString::fromLatin1(kVerboseRules));
    }
}

} // namespace sonavia
