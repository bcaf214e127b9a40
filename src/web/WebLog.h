#pragma once

#include <QLoggingCategory>

// Debug messages of the HTTP fetch: statuses, deadlines, caps, advertisements. Silent unless
// QT_LOGGING_RULES="tickerloom.web.debug=true" turns them on.
Q_DECLARE_LOGGING_CATEGORY(lcWeb)
