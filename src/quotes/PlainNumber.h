#pragma once

#include "watch/ExactPowersOfTen.h"

#include <QtGlobal>

namespace NumberRules {

// The digits from at on, into digits; at ends past them. Char is char16_t
// for text, char for Latin-1 bytes.
template <typename Char>
[[gnu::always_inline]] inline void readDigits(const Char *&at, const Char *end, quint64 &digits)
{
    for (unsigned digit; at < end && (digit = unsigned(*at) - u'0') <= 9; ++at)
        digits = digits * 10 + digit;
}

// The usual field, "-123.45" with at most 15 digits and nothing around it,
// read in one pass; -1 for anything else, which the full scan then reads.
// Fifteen digits always stay exact, so the value is the one the full scan
// gives: the digits scaled by one exact power of ten. Inline, as a reply's
// every field comes here.
template <typename Char>
[[gnu::always_inline]] inline qsizetype readPlainNumber(const Char *begin, const Char *end, double &value)
{
    const Char *at = begin;
    const bool negative = at < end && *at == u'-';
    if (at < end && (*at == u'-' || *at == u'+'))
        ++at;
    quint64 digits = 0; // wraps only past 19 digits, which are refused below
    const Char *const whole = at;
    readDigits(at, end, digits);
    qsizetype count = at - whole;
    qsizetype fraction = 0;
    if (at < end && *at == u'.') {
        const Char *const fractionBegin = ++at;
        readDigits(at, end, digits);
        fraction = at - fractionBegin;
        count += fraction;
    }
    if (count == 0 || count > 15 || (at < end && *at != u','))
        return -1;
    const double magnitude = fraction > 0 ? double(digits) / ExactPowersOfTen::kPowers[fraction] : double(digits);
    value = negative ? -magnitude : magnitude;
    return at - begin;
}

} // namespace NumberRules
