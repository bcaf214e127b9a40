#include "quotes/NumberRules.h"

#include <charconv>
#include <cmath>
#include <string>

namespace NumberRules {
namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t';
}
bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Converts an already validated ASCII number; false on overflow.
bool convert(const std::string &ascii, double &out)
{
    const char *begin = ascii.data();
    if (*begin == '+')
        ++begin;
    const auto [end, error] = std::from_chars(begin, ascii.data() + ascii.size(), out, std::chars_format::general);
    return error == std::errc() && end == ascii.data() + ascii.size() && std::isfinite(out);
}

// Scans digits from pos, appending them to ascii; returns how many there were.
int scanDigits(QStringView text, qsizetype &pos, std::string &ascii, bool allowGrouping)
{
    int count = 0;
    while (pos < text.size()) {
        const QChar c = text[pos];
        if (isDigit(c)) {
            ascii.push_back(char(c.unicode()));
            ++count;
            ++pos;
        } else if (allowGrouping && c == u',' && count > 0 && pos + 1 < text.size() && isDigit(text[pos + 1])) {
            ++pos;
        } else {
            break;
        }
    }
    return count;
}

// Reads sign, mantissa and exponent from pos. Returns false when no digit was
// seen; ascii then holds nothing usable.
bool scanNumber(QStringView text, qsizetype &pos, std::string &ascii, bool allowGrouping)
{
    if (pos < text.size() && (text[pos] == u'+' || text[pos] == u'-'))
        ascii.push_back(char(text[pos++].unicode()));
    int digits = scanDigits(text, pos, ascii, allowGrouping);
    if (pos < text.size() && text[pos] == u'.') {
        ascii.push_back('.');
        ++pos;
        digits += scanDigits(text, pos, ascii, false);
    }
    if (digits == 0)
        return false;
    if (pos < text.size() && (text[pos] == u'e' || text[pos] == u'E')) {
        qsizetype expPos = pos + 1;
        std::string exponent = "e";
        if (expPos < text.size() && (text[expPos] == u'+' || text[expPos] == u'-'))
            exponent.push_back(char(text[expPos++].unicode()));
        if (scanDigits(text, expPos, exponent, false) > 0) {
            ascii += exponent;
            pos = expPos;
        }
    }
    return true;
}

} // namespace

std::optional<double> parseNumber(QStringView field)
{
    qsizetype pos = 0;
    while (pos < field.size() && isBlank(field[pos]))
        ++pos;
    std::string ascii;
    if (!scanNumber(field, pos, ascii, false))
        return std::nullopt;
    // An exponent marker without digits was left unread: that is a trailing letter.
    while (pos < field.size() && isBlank(field[pos]))
        ++pos;
    if (pos != field.size())
        return std::nullopt;
    double value = 0;
    if (!convert(ascii, value))
        return std::nullopt;
    return value;
}

std::optional<qint32> parseInteger(QStringView field)
{
    const std::optional<double> number = parseNumber(field);
    if (!number)
        return std::nullopt;
    const double rounded = std::nearbyint(*number); // the default mode rounds half to even
    if (rounded < -2147483648.0 || rounded > 2147483647.0)
        return std::nullopt;
    return qint32(rounded);
}

std::optional<double> parseChange(QStringView field)
{
    if (field.size() <= 3)
        return std::nullopt;
    return parseNumber(field.mid(1, field.size() - 3));
}

double readLeadingNumber(QStringView text)
{
    qsizetype pos = 0;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    std::string ascii;
    if (!scanNumber(text, pos, ascii, true))
        return 0;
    double value = 0;
    return convert(ascii, value) ? value : 0;
}

} // namespace NumberRules
