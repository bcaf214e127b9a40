#include "search/SearchLog.h"

Q_LOGGING_CATEGORY(lcSearch, "tickerloom.search", QtWarningMsg)
