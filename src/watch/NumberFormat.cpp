#include "watch/NumberFormat.h"

#include <cmath>
#include <cstdio>

namespace NumberFormat {

QString format(double value, int decimals)
{
    if (!std::isfinite(value))
        return QString();
    char plain[400];
    const int length = std::snprintf(plain, sizeof plain, "%.*f", decimals, value);
    if (length <= 0 || length >= int(sizeof plain))
        return QString();

    const char *digits = plain;
    bool negative = false;
    if (*digits == '-') {
        negative = true;
        ++digits;
    }
    const char *point = digits;
    while (*point && *point != '.')
        ++point;
    const int integerDigits = int(point - digits);

    bool allZero = true;
    for (const char *p = digits; *p; ++p)
        if (*p >= '1' && *p <= '9')
            allZero = false;

    QString shown;
    shown.reserve(length + integerDigits / 3 + 1);
    if (negative && !allZero) // no "-0.00"
        shown += u'-';
    for (int i = 0; i < integerDigits; ++i) {
        if (i > 0 && (integerDigits - i) % 3 == 0)
            shown += u',';
        shown += QLatin1Char(digits[i]);
    }
    shown += QLatin1String(point);
    return shown;
}

} // namespace NumberFormat
