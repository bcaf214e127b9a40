#pragma once

#include <QString>
#include <QtGlobal>

// One listed company of the simulated market. Prices are kept in paise
// (hundredths) so that every price the service prints has exactly two decimals.
struct Scrip
{
    QString code; // upper case, as the replies spell it
    QString name; // never holds a comma: the program cuts names at the first one
    qint64 referenceCents = 0;
};
