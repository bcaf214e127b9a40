#pragma once

#include <QLoggingCategory>

// Debug messages of the quote refresh: what a refresh asked, found and painted. Silent unless
// QT_LOGGING_RULES="tickerloom.refresh.debug=true" turns them on.
Q_DECLARE_LOGGING_CATEGORY(lcRefresh)
