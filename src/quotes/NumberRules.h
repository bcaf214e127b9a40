#pragma once

#include <QStringView>
#include <QtGlobal>
#include <optional>

// The conversions of quote reply fields, and the read-back of a price as a
// grid cell shows it.
namespace NumberRules {

// A plain decimal: blanks around it, an optional sign, digits with an optional
// point and fraction, an optional exponent, and nothing else.
std::optional<double> parseNumber(QStringView field);

// The number rule on the start of a text: blanks, a number, blanks. Returns
// how many characters that took, with the number in value; -1 when no number
// converts there. parseNumber(field) holds exactly when this takes the whole
// field, so a reader that knows where fields end need not cut them first.
qsizetype readNumber(QStringView text, double &value);

// The number rule, rounded half to even, within the signed 64-bit range.
std::optional<qint64> parseInteger(QStringView field);

// The change field "(+0.53%)": the first character and the last two are cut
// off and the rest is read by the number rule.
std::optional<double> parseChange(QStringView field);

// The leading number of a cell's text ("1,234.50" reads as 1234.5): blanks,
// sign, digits with grouping commas, one point, an exponent; 0 when none.
double readLeadingNumber(QStringView text);

} // namespace NumberRules
