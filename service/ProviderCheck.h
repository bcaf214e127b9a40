#pragma once

#include "service/ProviderSettings.h"

class QTextStream;

// tickerloom-service --check: asks the provider once for one symbol's
// snapshot and says whether the key works, the feed, and the rate budget the
// provider stated. Never prints the key.
namespace ProviderCheck {

constexpr char kProbeSymbol[] = "AAPL";

// Runs a local event loop until the answer; returns the exit status: 0 when
// the provider answered with the key, 1 when it refused the key or could not
// be reached.
int run(const ProviderSettings &settings, QTextStream &out);

} // namespace ProviderCheck
