#include "quotes/QuoteReply.h"

#include "quotes/NumberRules.h"
#include "web/CrLfLines.h"

#include <array>

namespace QuoteReply {
namespace {

constexpr int kFieldsRead = 11; // positions 0 to 10; the rest of a line is ignored

bool isBlankLine(QStringView line)
{
    for (QChar c : line)
        if (c != u' ')
            return false;
    return true;
}

void setNumber(double &target, const std::optional<double> &value)
{
    if (value)
        target = *value;
}

} // namespace

QuoteRecord parseLine(QStringView line, bool FirstFetch)
{
    std::array<QStringView, kFieldsRead> fields;
    int count = 0;
    qsizetype start = 0;
    while (count < kFieldsRead) {
        const qsizetype comma = line.indexOf(u',', start);
        fields[count++] = line.mid(start, (comma < 0 ? line.size() : comma) - start);
        if (comma < 0)
            break;
        start = comma + 1;
    }

    QuoteRecord record;
    auto field = [&](int pos) -> std::optional<QStringView> {
        if (pos < count)
            return fields[pos];
        return std::nullopt;
    };
    if (auto f = field(0))
        record.Symbol = f->toString();
    if (auto f = field(1))
        setNumber(record.Bid, NumberRules::parseNumber(*f));
    if (auto f = field(2))
        setNumber(record.Ask, NumberRules::parseNumber(*f));
    if (auto f = field(3))
        setNumber(record.Ltp, NumberRules::parseNumber(*f));
    if (auto f = field(4))
        setNumber(record.ChangePct, NumberRules::parseChange(*f));
    if (auto f = field(5))
        record.TrendText = f->toString();
    if (auto f = field(6))
        setNumber(record.High, NumberRules::parseNumber(*f));
    if (auto f = field(7))
        setNumber(record.Low, NumberRules::parseNumber(*f));
    if (auto f = field(8))
        if (auto volume = NumberRules::parseInteger(*f))
            record.Volume = *volume;
    if (FirstFetch) {
        if (auto f = field(9))
            setNumber(record.Open, NumberRules::parseNumber(*f));
        if (auto f = field(10))
            setNumber(record.PrevClose, NumberRules::parseNumber(*f));
    }
    return record;
}

std::vector<QuoteRecord> parse(QStringView body, bool FirstFetch)
{
    std::vector<QuoteRecord> records;
    records.reserve(size_t(qMin<qsizetype>(body.size() / 48, 65536))); // about a record per line of quote data
    CrLfLines::forEach(body, [&](QStringView line) {
        if (!isBlankLine(line))
            records.push_back(parseLine(line, FirstFetch));
    });
    return records;
}

} // namespace QuoteReply
