#include "watch/NumberFormat.h"

#include "watch/ExactPowersOfTen.h"

#include <charconv>
#include <cmath>
#include <iterator>
#include <optional>

namespace NumberFormat {

namespace {

// Below this, a scaled value's spacing is at most 0.5, so a half lies on it.
constexpr double kFastLimit = 4503599627370496.0; // 2^52

// The value as the text shows it, by writing its digits and reading them back.
double shownValueFromDigits(double value, int decimals)
{
    char plain[400];
    const auto [end, error] = std::to_chars(plain, plain + sizeof plain, value, std::chars_format::fixed, decimals);
    double shown = 0;
    if (error != std::errc() || std::from_chars(plain, end, shown).ec != std::errc())
        return 0;
    return shown;
}

// The same without any text. The digits shown are value * 10^decimals
// rounded to a whole number, an exact half to the even one, worked out on
// the exact product: the product rounded plus its rounding error, which fma
// gives exactly. The whole number divided by 10^decimals, both exact, is the
// double nearest to the shown digits, which is what reading them gives.
std::optional<double> shownValueByArithmetic(double value, int decimals)
{
    if (decimals < 0 || decimals > ExactPowersOfTen::kMost)
        return std::nullopt;
    const double scale = ExactPowersOfTen::kPowers[decimals];
    const double scaled = value * scale;
    if (!(std::fabs(scaled) < kFastLimit))
        return std::nullopt;
    const double error = std::fma(value, scale, -scaled);
    double whole = std::nearbyint(scaled); // the default mode rounds half to even
    const double rest = scaled - whole;    // exact
    // Only a product that rounded onto a half can have its rounding turned by the error.
    if (rest == 0.5 && error > 0)
        whole += 1;
    else if (rest == -0.5 && error < 0)
        whole -= 1;
    return whole / scale;
}

} // namespace

double shownValue(double value, int decimals)
{
    if (!std::isfinite(value))
        return 0;
    const std::optional<double> quick = shownValueByArithmetic(value, decimals);
    const double shown = quick ? *quick : shownValueFromDigits(value, decimals);
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
