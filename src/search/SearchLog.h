#pragma once

#include <QLoggingCategory>

// Debug messages of the scrip search: requests and dropped replies. Silent unless
// QT_LOGGING_RULES="tickerloom.search.debug=true" turns them on.
Q_DECLARE_LOGGING_CATEGORY(lcSearch)
