#include "service/ProviderLog.h"

Q_LOGGING_CATEGORY(lcProvider, "tickerloom.service.provider", QtInfoMsg)
