#include "shell/StartupContext.h"

#include "rules/Product.h"

namespace sonavia {

std::filesystem::path StartupContext::InterfaceArchivePath() const {
    return startupDirectory / kInterfaceFolder / kInterfaceArchiveName;
}

} // namespace sonavia
