#pragma once

#include "quotes/QuoteRecord.h"
#include "quotes/SymbolIndex.h"

#include <vector>

// Finds a grid row's record in one reply. The grid's symbol is upper-cased and
// compared exactly with the reply's symbols; the first matching record wins,
// and none gives no record. The index owns the records it was built from, so
// it can never outlive them; built once per reply, a lookup costs the same
// however many records there are.
class QuoteIndex
{
public:
    explicit QuoteIndex(std::vector<QuoteRecord> records);

    bool isEmpty() const { return m_records.empty(); }
    // The first record for the symbol, or nullptr.
    const QuoteRecord *find(const QString &gridSymbol) const;

    // The same lookup by walking the records, for one-off lookups; a default
    // record when none matches.
    static QuoteRecord FindQuote(const std::vector<QuoteRecord> &records, const QString &gridSymbol);

private:
    std::vector<QuoteRecord> m_records;
    SymbolIndex m_symbols; // views into m_records' symbols, which never move
};
