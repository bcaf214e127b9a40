// Fuzzes the quote reply parser with any body, read as the program reads it,
// in both of its modes (a row's first fetch and the refreshes after it).

#include "FuzzCheck.h"
#include "FuzzInput.h"
#include "quotes/QuoteReply.h"
#include "quotes/QuoteTable.h"
#include "support/ParsedReply.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace {

size_t nonBlankLines(const QString &body)
{
    size_t count = 0;
    for (const QString &line : body.split(QStringLiteral("\r\n")))
        count += line.count(u' ') != line.size() ? 1 : 0;
    return count;
}

bool allFinite(const QuoteRecord &r)
{
    for (double value : {r.Bid, r.Ask, r.Ltp, r.ChangePct, r.Open, r.High, r.Low, r.PrevClose})
        if (!std::isfinite(value))
            return false;
    return true;
}

// The fields both modes read.
bool sameQuote(const QuoteRecord &a, const QuoteRecord &b)
{
    return a.Symbol == b.Symbol && a.Bid == b.Bid && a.Ask == b.Ask && a.Ltp == b.Ltp && a.ChangePct == b.ChangePct &&
           a.TrendText == b.TrendText && a.High == b.High && a.Low == b.Low && a.Volume == b.Volume;
}

bool sameNumbers(const QuoteNumbers &a, const QuoteRecord &b)
{
    return a.Bid == b.Bid && a.Ask == b.Ask && a.Ltp == b.Ltp && a.ChangePct == b.ChangePct && a.High == b.High &&
           a.Low == b.Low && a.Volume == b.Volume && a.Open == b.Open && a.PrevClose == b.PrevClose;
}

// A refresh reads the same bytes through its table, as Latin-1: each row finds
// the first record whose symbol is its own upper-cased, with that record's numbers.
void checkTheTableAgrees(const uint8_t *data, size_t size, const std::vector<QuoteRecord> &records)
{
    QuoteTable table;
    table.read(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)));
    fuzzCheck(size_t(table.size()) == records.size(), "the table finds the lines parse finds");
    constexpr size_t kRowsChecked = 200; // each check walks the records
    for (size_t i = 0; i < records.size() && i < kRowsChecked; ++i) {
        const QString wanted = records[i].Symbol.toUpper();
        const auto expected = std::find_if(records.begin(), records.end(),
                                           [&](const QuoteRecord &record) { return record.Symbol == wanted; });
        QuoteNumbers numbers;
        const bool found = table.find(records[i].Symbol, qsizetype(i), true, numbers);
        fuzzCheck(found == (expected != records.end()), "the table finds the record the walk finds");
        if (found && expected != records.end())
            fuzzCheck(sameNumbers(numbers, *expected), "the table reads the numbers parse reads");
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString body = FuzzInput::latin1(data, size);
    const std::vector<QuoteRecord> first = QuoteReply::parse(body, true);
    const std::vector<QuoteRecord> later = QuoteReply::parse(body, false);

    fuzzCheck(first.size() == nonBlankLines(body), "one record per line that is not blank");
    fuzzCheck(later.size() == first.size(), "both modes read the same lines");
    for (size_t i = 0; i < first.size(); ++i) {
        fuzzCheck(allFinite(first[i]), "every number is finite");
        fuzzCheck(sameQuote(first[i], later[i]), "both modes read the quote alike");
        fuzzCheck(later[i].Open == 0 && later[i].PrevClose == 0, "open and previous close only on a first fetch");
    }
    checkTheTableAgrees(data, size, first);
    return 0;
}
