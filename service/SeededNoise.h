#pragma once

#include <QtGlobal>

// Repeatable randomness without stored generator state: every draw is a hash
// of (seed, scrip, step, channel). A scrip's walk therefore depends only on
// the seed and its own step count, never on which scrips were asked before.
namespace SeededNoise {

// A 64-bit hash of the four coordinates.
quint64 bits(quint64 seed, quint64 scrip, quint64 step, quint64 channel);

// Uniform in [0, 1).
double uniform(quint64 seed, quint64 scrip, quint64 step, quint64 channel);

// Uniform integer in [low, high], both included.
qint64 between(quint64 seed, quint64 scrip, quint64 step, quint64 channel, qint64 low, qint64 high);

} // namespace SeededNoise
