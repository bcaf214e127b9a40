#pragma once

#include "quotes/PlainNumber.h"

#include <QLatin1StringView>
#include <QStringView>
#include <QtGlobal>
#include <optional>

// The conversions of quote reply fields: a plain decimal, a whole number,
// the change field.
namespace NumberRules {

// What readNumber reads of a text that does not start with a plain decimal.
qsizetype readScannedNumber(QStringView text, double &value);
qsizetype readScannedNumber(QLatin1StringView text, double &value);

// The number rule on the start of a text: blanks, a number, blanks. Returns
// how many characters that took, with the number in value; -1 when no number
// converts there. parseNumber(field) holds exactly when this takes the whole
// field, so a reader that knows where fields end need not cut them first.
// Text, or Latin-1 bytes read one character per byte; inline, as every field
// of a reply comes here.
inline qsizetype readNumber(QStringView text, double &value)
{
    const qsizetype plain = readPlainNumber(text.utf16(), text.utf16() + text.size(), value);
    return plain >= 0 ? plain : readScannedNumber(text, value);
}

inline qsizetype readNumber(QLatin1StringView text, double &value)
{
    const qsizetype plain = readPlainNumber(text.data(), text.data() + text.size(), value);
    return plain >= 0 ? plain : readScannedNumber(text, value);
}

// A plain decimal: blanks around it, an optional sign, digits with an optional
// point and fraction, an optional exponent, and nothing else. Inline, as its
// caller then keeps the answer in registers.
template <typename View> std::optional<double> parseNumberOf(View field)
{
    double value = 0;
    if (readNumber(field, value) != field.size())
        return std::nullopt;
    return value;
}
inline std::optional<double> parseNumber(QStringView field)
{
    return parseNumberOf(field);
}
inline std::optional<double> parseNumber(QLatin1StringView field)
{
    return parseNumberOf(field);
}

// A number read by the number rule, rounded half to even, within the signed
// 64-bit range.
std::optional<qint64> roundToInteger(double number);
// The same, inline for the usual volume: a whole number, which needs no rounding.
inline std::optional<qint64> toInteger(double number)
{
    constexpr double kExactWholes = 9007199254740992.0; // 2^53
    if (number > -kExactWholes && number < kExactWholes && number == double(qint64(number)))
        return qint64(number);
    return roundToInteger(number);
}

// The number rule, rounded as toInteger rounds.
inline std::optional<qint64> parseInteger(QStringView field)
{
    const std::optional<double> number = parseNumber(field);
    return number ? toInteger(*number) : std::nullopt;
}

// The change field "(+0.53%)": the first character and the last two are cut
// off and the rest is read by the number rule.
template <typename View> std::optional<double> parseChangeOf(View field)
{
    if (field.size() <= 3)
        return std::nullopt;
    return parseNumber(field.mid(1, field.size() - 3));
}
inline std::optional<double> parseChange(QStringView field)
{
    return parseChangeOf(field);
}
inline std::optional<double> parseChange(QLatin1StringView field)
{
    return parseChangeOf(field);
}

} // namespace NumberRules
