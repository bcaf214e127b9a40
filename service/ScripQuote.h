#pragma once

#include <QtGlobal>

#include <limits>

// A scrip's market state at one moment. Prices in paise (hundredths). A value
// the source does not know is kBlank, and its field stays empty in a reply.
struct ScripQuote
{
    static constexpr qint64 kBlank = std::numeric_limits<qint64>::min();

    qint64 bidCents = 0;
    qint64 askCents = 0;
    qint64 lastCents = 0;
    qint64 openCents = 0;
    qint64 highCents = 0;
    qint64 lowCents = 0;
    qint64 prevCloseCents = 0;
    qint64 volume = 0;

    bool operator==(const ScripQuote &other) const = default;
};
