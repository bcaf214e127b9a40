#pragma once

#include "watch/ExactPowersOfTen.h"

#include <QtGlobal>

namespace NumberRules {

// The usual field, "-123.45" with at most 15 digits and nothing around it,
// read in one pass; -1 for anything else, which the full scan then reads.
// Fifteen digits always stay exact, so the value is the one the full scan
// gives: the digits scaled by one exact power of ten. Char is char16_t for
// text, char for Latin-1 bytes. Inline, as a reply's every field comes here.
template <typename Char>
[[gnu::always_inline]] inline qsizetype readPlainNumber(const Char *begin, const Char *end, double &value)
{
    const Char *at = begin;
    const bool negative = at < end && *at == u'-';
    if (at < end && (*at == u'-' || *at == u'+'))
        ++at;
    quint64 digits = 0;
    int count = 0;
    int fraction = -1; // digits after the point; -1 before the point
    for (; at < end; ++at) {
        const unsigned digit = unsigned(*at) - u'0';
        if (digit <= 9) {
            digits = digits * 10 + digit;
            ++count;
            fraction += fraction >= 0;
        } else if (*at == u'.' && fraction < 0) {
            fraction = 0;
        } else {
            break;
        }
    }
    if (count == 0 || count > 15 || (at < end && *at != u','))
        return -1;
    const double magnitude = fraction > 0 ? double(digits) / ExactPowersOfTen::kPowers[fraction] : double(digits);
    value = negative ? -magnitude : magnitude;
    return at - begin;
}

} // namespace NumberRules
