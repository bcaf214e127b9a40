#include "watch/NumberFormat.h"

#include <charconv>
#include <cmath>

namespace NumberFormat {

double shownValue(double value, int decimals)
{
    if (!std::isfinite(value))
        return 0;
    char plain[400];
    const auto [end, error] = std::to_chars(plain, plain + sizeof plain, value, std::chars_format::fixed, decimals);
    double shown = 0;
    if (error != std::errc() || std::from_chars(plain, end, shown).ec != std::errc())
        return 0;
    return shown == 0 ? 0 : shown; // no negative zero, as the text shows none
}

QString format(double value, int decimals)
{
    if (!std::isfinite(value))
        return QString();
    char plain[400];
    const auto [end, error] = std::to_chars(plain, plain + sizeof plain - 1, value, std::chars_format::fixed, decimals);
    if (error != std::errc())
        return QString();
    *end = '\0';
    const int length = int(end - plain);

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
