#pragma once

#include <QString>

// How a number cell shows its value: fixed decimals, "." as decimal mark and
// "," grouping thousands ("-1,234.50").
namespace NumberFormat {

QString format(double value, int decimals);

// The value that format() shows, read back as a number: rounded to the
// decimals shown. Faster than formatting and reading the text.
double shownValue(double value, int decimals);

} // namespace NumberFormat
