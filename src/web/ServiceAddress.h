#pragma once

#include <QString>

// The quote service's base address: the built-in one, kept scrambled, or
// TICKERLOOM_SERVICE_URL when that is set and not empty. Throws what
// Unscramble throws; callers treat that as a failed fetch.
namespace ServiceAddress {

QString base();

// The built-in address, unscrambled.
QString builtIn();

} // namespace ServiceAddress
