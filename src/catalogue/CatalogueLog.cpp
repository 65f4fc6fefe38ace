#include "catalogue/CatalogueLog.h"

namespace sonavia {

Q_LOGGING_CATEGORY(lcCatalogue, "sonavia.catalogue", QtWarningMsg)

} // namespace sonavia
