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

// The number rule, rounded half to even, within the signed 32-bit range.
std::optional<qint32> parseInteger(QStringView field);

// The change field "(+0.53%)": the first character and the last two are cut
// off and the rest is read by the number rule.
std::optional<double> parseChange(QStringView field);

// The leading number of a cell's text ("1,234.50" reads as 1234.5): blanks,
// sign, digits with grouping commas, one point, an exponent; 0 when none.
double readLeadingNumber(QStringView text);

} // namespace NumberRules
