#pragma once

#include <QLoggingCategory>

// The provider's side of the service: its schedule, its replies, the key.
// Debug lines explain each decision; the few lines a user must see (the key
// refused, a list too long for the rate budget) are info, said once each.
Q_DECLARE_LOGGING_CATEGORY(lcProvider)
