#include "service/SeededNoise.h"

namespace SeededNoise {
namespace {

// The SplitMix64 finaliser: cheap, and every input bit reaches every output bit.
quint64 mix(quint64 value)
{
    value += 0x9E3779B97F4A7C15ULL;
    value = (value ^ (value >> 30)) * 0xBF58476D1CE4E5B9ULL;
    value = (value ^ (value >> 27)) * 0x94D049BB133111EBULL;
    return value ^ (value >> 31);
}

} // namespace

quint64 bits(quint64 seed, quint64 scrip, quint64 step, quint64 channel)
{
    return mix(mix(mix(mix(seed) ^ scrip) ^ step) ^ channel);
}

double uniform(quint64 seed, quint64 scrip, quint64 step, quint64 channel)
{
    // The top 53 bits fill a double's mantissa exactly.
    return double(bits(seed, scrip, step, channel) >> 11) * (1.0 / 9007199254740992.0);
}

qint64 between(quint64 seed, quint64 scrip, quint64 step, quint64 channel, qint64 low, qint64 high)
{
    const quint64 span = quint64(high - low) + 1;
    return low + qint64(bits(seed, scrip, step, channel) % span);
}

} // namespace SeededNoise
