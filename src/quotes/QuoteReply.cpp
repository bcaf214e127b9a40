#include "quotes/QuoteReply.h"

#include "quotes/NumberRules.h"

#include <array>

namespace QuoteReply {
namespace {

// Positions 0 to 8 on every refresh, 9 and 10 (OPEN and P.CLOSE) on a first
// fetch; the rest of a line is ignored, and left unsplit.
constexpr int kTimerFields = 9;
constexpr int kFirstFetchFields = 11;

using Fields = std::array<QStringView, kFirstFetchFields>;

// Splits the line at every comma into at most wanted fields; returns how many.
int splitFields(QStringView line, int wanted, Fields &fields)
{
    const char16_t *const end = line.utf16() + line.size();
    const char16_t *start = line.utf16();
    int count = 0;
    for (const char16_t *at = start;; ++at) {
        if (at != end && *at != u',')
            continue;
        fields[count++] = QStringView(start, at);
        if (at == end || count == wanted)
            return count;
        start = at + 1;
    }
}

void setNumber(double &target, const std::optional<double> &value)
{
    if (value)
        target = *value;
}

// Fills the numbers from the fields; returns the trend text's field, or a
// null view when the line has none.
QStringView fillNumbers(const Fields &fields, int count, bool FirstFetch, QuoteNumbers &numbers)
{
    if (count > 1)
        setNumber(numbers.Bid, NumberRules::parseNumber(fields[1]));
    if (count > 2)
        setNumber(numbers.Ask, NumberRules::parseNumber(fields[2]));
    if (count > 3)
        setNumber(numbers.Ltp, NumberRules::parseNumber(fields[3]));
    if (count > 4)
        setNumber(numbers.ChangePct, NumberRules::parseChange(fields[4]));
    if (count > 6)
        setNumber(numbers.High, NumberRules::parseNumber(fields[6]));
    if (count > 7)
        setNumber(numbers.Low, NumberRules::parseNumber(fields[7]));
    if (count > 8)
        if (const std::optional<qint32> volume = NumberRules::parseInteger(fields[8]))
            numbers.Volume = *volume;
    if (FirstFetch) {
        if (count > 9)
            setNumber(numbers.Open, NumberRules::parseNumber(fields[9]));
        if (count > 10)
            setNumber(numbers.PrevClose, NumberRules::parseNumber(fields[10]));
    }
    return count > 5 ? fields[5] : QStringView();
}

} // namespace

bool isBlankLine(QStringView line)
{
    for (QChar c : line)
        if (c != u' ')
            return false;
    return true;
}

void readNumbers(QStringView line, bool FirstFetch, QuoteNumbers &numbers)
{
    Fields fields;
    const int count = splitFields(line, FirstFetch ? kFirstFetchFields : kTimerFields, fields);
    fillNumbers(fields, count, FirstFetch, numbers);
}

QStringView symbolOf(QStringView line)
{
    Fields fields;
    splitFields(line, 1, fields);
    return fields[0];
}

QuoteRecord parseLine(QStringView line, bool FirstFetch)
{
    Fields fields;
    const int count = splitFields(line, kFirstFetchFields, fields);
    QuoteRecord record;
    const QStringView trendText = fillNumbers(fields, count, FirstFetch, record);
    record.Symbol = fields[0].toString();
    if (!trendText.isNull())
        record.TrendText = trendText.toString();
    return record;
}

std::vector<QuoteRecord> parse(QStringView body, bool FirstFetch)
{
    std::vector<QuoteRecord> records;
    records.reserve(size_t(qMin<qsizetype>(body.size() / 48, 65536))); // about a record per line of quote data
    forEachQuoteLine(body, [&](QStringView line) { records.push_back(parseLine(line, FirstFetch)); });
    return records;
}

} // namespace QuoteReply
