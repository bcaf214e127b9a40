#include "quotes/NumberRules.h"

#include "watch/ExactPowersOfTen.h"

#include <charconv>
#include <cmath>
#include <string>

namespace NumberRules {
namespace {

// Every whole number up to this is a double, exactly.
constexpr quint64 kMostExactDigits = quint64(1) << 53;
// Exponents beyond this are out of range whatever the digits; clamping keeps the count small.
constexpr int kExponentClamp = 100000;

// Every reading here takes text (char16_t) or Latin-1 bytes (char), one character per byte.
template <typename Char> bool isBlank(Char c)
{
    return c == u' ' || c == u'\t';
}
template <typename Char> bool isDigit(Char c)
{
    return c >= u'0' && c <= u'9';
}

template <typename Char> const Char *skipBlanks(const Char *at, const Char *end)
{
    while (at < end && isBlank(*at))
        ++at;
    return at;
}

// A number as its scan found it: where its characters stand and, while its
// digits fit a double exactly, those digits as one whole number with a power
// of ten.
template <typename Char> struct Scan
{
    const Char *begin = nullptr;
    const Char *end = nullptr;
    bool negative = false;
    quint64 digits = 0;
    int power = 0;
    bool digitsExact = true;
};

// Reads digits from at into digits while they stay exact, counting those
// after the point in power; returns how many digits there were.
template <typename Char>
int scanDigits(const Char *&at, const Char *end, quint64 &digits, int &power, bool &exact, int fractionStep)
{
    int count = 0;
    for (; at < end; ++at) {
        const unsigned digit = unsigned(*at) - u'0';
        if (digit > 9)
            break;
        ++count;
        if (digits <= (kMostExactDigits - 9) / 10) {
            digits = digits * 10 + digit;
            power -= fractionStep;
        } else {
            exact = false;
        }
    }
    return count;
}

// Reads an exponent's digits, clamped, from at; returns how many there were.
// A clamped exponent makes the digits inexact: the text decides the value then.
template <typename Char> int scanExponentDigits(const Char *&at, const Char *end, int &exponent, bool &exact)
{
    int count = 0;
    for (; at < end && isDigit(*at); ++at, ++count) {
        exponent = exponent * 10 + (*at - u'0');
        if (exponent > kExponentClamp) {
            exponent = kExponentClamp;
            exact = false;
        }
    }
    return count;
}

// Reads sign, mantissa and exponent from at. Returns false when no digit was
// seen; otherwise at is past the number.
template <typename Char> bool scanNumber(const Char *&at, const Char *end, Scan<Char> &scan)
{
    const Char *p = at;
    scan.begin = p;
    bool negative = false;
    if (p < end && (*p == u'+' || *p == u'-'))
        negative = *p++ == u'-';
    quint64 digits = 0;
    int power = 0;
    bool exact = true;
    int count = scanDigits(p, end, digits, power, exact, 0);
    if (p < end && *p == u'.') {
        ++p;
        count += scanDigits(p, end, digits, power, exact, 1);
    }
    if (count == 0)
        return false;
    if (p < end && (*p == u'e' || *p == u'E')) {
        const Char *exponentAt = p + 1;
        bool negativeExponent = false;
        if (exponentAt < end && (*exponentAt == u'+' || *exponentAt == u'-'))
            negativeExponent = *exponentAt++ == u'-';
        int exponent = 0;
        // A marker without digits is not part of the number.
        if (scanExponentDigits(exponentAt, end, exponent, exact) > 0) {
            p = exponentAt;
            power += negativeExponent ? -exponent : exponent;
        }
    }
    scan.end = p;
    scan.negative = negative;
    scan.digits = digits;
    scan.power = power;
    scan.digitsExact = exact;
    at = p;
    return true;
}

// The characters of a number as std::from_chars reads them: no plus sign. Numbers as the service sends them fit on the
// stack; only a longer text (many leading zeros, say) takes the heap. Kept out of line, so that the quick conversion
// pays nothing for it.
template <typename Char> [[gnu::noinline]] bool convertText(const Scan<Char> &scan, double &out)
{
    constexpr qsizetype kOnStack = 64;
    char stack[kOnStack];
    std::string heap;
    char *text = stack;
    if (scan.end - scan.begin > kOnStack) {
        heap.resize(size_t(scan.end - scan.begin));
        text = heap.data();
    }
    qsizetype size = 0;
    for (const Char *at = scan.begin; at < scan.end; ++at)
        if (*at != u'+')
            text[size++] = char(*at);
    const auto [end, error] = std::from_chars(text, text + size, out, std::chars_format::general);
    return error == std::errc() && end == text + size && std::isfinite(out);
}

// The scanned number's value; false when it overflows. Few enough digits and
// a small power make one exact operation, correctly rounded as std::from_chars
// rounds; anything else is read by std::from_chars itself.
template <typename Char> [[gnu::always_inline]] inline bool convert(const Scan<Char> &scan, double &out)
{
    if (scan.digitsExact && scan.power >= -ExactPowersOfTen::kMost && scan.power <= ExactPowersOfTen::kMost) {
        const double digits = double(scan.digits);
        const double value = scan.power < 0 ? digits / ExactPowersOfTen::kPowers[-scan.power]
                                            : digits * ExactPowersOfTen::kPowers[scan.power];
        out = scan.negative ? -value : value;
        return true;
    }
    return convertText(scan, out);
}

template <typename Char> qsizetype scanAndConvert(const Char *begin, const Char *end, double &value)
{
    const Char *at = skipBlanks(begin, end);
    Scan<Char> scan;
    if (!scanNumber(at, end, scan) || !convert(scan, value))
        return -1;
    // An exponent marker without digits was left unread: it is what follows the number.
    return skipBlanks(at, end) - begin;
}

} // namespace

qsizetype readScannedNumber(QStringView text, double &value)
{
    return scanAndConvert(text.utf16(), text.utf16() + text.size(), value);
}

qsizetype readScannedNumber(QLatin1StringView text, double &value)
{
    return scanAndConvert(text.data(), text.data() + text.size(), value);
}

std::optional<qint64> roundToInteger(double number)
{
    const double rounded = std::nearbyint(number); // the default mode rounds half to even
    // 2^63 itself is a double, one past the range; every double below it converts.
    if (!(rounded >= -9223372036854775808.0 && rounded < 9223372036854775808.0))
        return std::nullopt;
    return qint64(rounded);
}

} // namespace NumberRules
