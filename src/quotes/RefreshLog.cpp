#include "quotes/RefreshLog.h"

Q_LOGGING_CATEGORY(lcRefresh, "tickerloom.refresh", QtWarningMsg)
