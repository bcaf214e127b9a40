#include "web/WebLog.h"

Q_LOGGING_CATEGORY(lcWeb, "tickerloom.web", QtWarningMsg)
