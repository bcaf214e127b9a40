#pragma once

#include <QString>
#include <optional>

// The quote service's base address: the built-in one, kept scrambled, or
// TICKERLOOM_SERVICE_URL when that is set and not empty. No address when the
// built-in one does not unscramble; callers treat that as a failed fetch.
namespace ServiceAddress {

std::optional<QString> base();

// The built-in address, unscrambled.
std::optional<QString> builtIn();

} // namespace ServiceAddress
