#pragma once

#include <QLoggingCategory>

// Debug messages of the watch list: loading and saving Scrips.dat. Silent unless
// QT_LOGGING_RULES="tickerloom.list.debug=true" turns them on.
Q_DECLARE_LOGGING_CATEGORY(lcList)
