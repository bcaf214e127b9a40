#pragma once

#include <QStringView>
#include <charconv>
#include <cmath>
#include <string>

// The leading number of a cell's text ("1,234.50" reads as 1234.5): blanks,
// sign, digits with grouping commas, a point, an exponent; 0 when none. The
// tests read a shown number back through it, to check that what the grid
// compares is what it shows. Header-only, in the rules' own namespace.
namespace NumberRules {

inline double readLeadingNumber(QStringView text)
{
    qsizetype at = 0;
    while (at < text.size() && (text[at] == u' ' || text[at] == u'\t'))
        ++at;
    const auto isDigit = [&text](qsizetype i) { return i >= 0 && i < text.size() && text[i].isDigit(); };
    std::string number;
    for (; at < text.size(); ++at) {
        const char16_t c = text[at].unicode();
        if (c == u',' && isDigit(at - 1) && isDigit(at + 1))
            continue; // a grouping comma
        if (!((c >= u'0' && c <= u'9') || c == u'.' || c == u'-' || c == u'+' || c == u'e' || c == u'E'))
            break;
        number += char(c);
    }
    const char *begin = number.data() + (number.starts_with('+') ? 1 : 0);
    double value = 0;
    const auto [end, error] = std::from_chars(begin, number.data() + number.size(), value);
    return error == std::errc() && std::isfinite(value) ? value : 0;
}

} // namespace NumberRules
