#include "watch/ListLog.h"

Q_LOGGING_CATEGORY(lcList, "tickerloom.list", QtWarningMsg)
