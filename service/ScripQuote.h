#pragma once

#include <QtGlobal>

// A scrip's market state at one moment. Prices in paise (hundredths).
struct ScripQuote
{
    qint64 bidCents = 0;
    qint64 askCents = 0;
    qint64 lastCents = 0;
    qint64 openCents = 0;
    qint64 highCents = 0;
    qint64 lowCents = 0;
    qint64 prevCloseCents = 0;
    qint32 volume = 0;

    bool operator==(const ScripQuote &other) const = default;
};
