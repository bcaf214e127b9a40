#include "quotes/QuoteIndex.h"

QuoteIndex::QuoteIndex(std::vector<QuoteRecord> records)
    : m_records(std::move(records))
{
    for (const QuoteRecord &record : m_records)
        m_symbols.append(record.Symbol);
}

const QuoteRecord *QuoteIndex::find(const QString &gridSymbol) const
{
    const qsizetype found = m_symbols.find(gridSymbol);
    return found < 0 ? nullptr : &m_records[size_t(found)];
}

QuoteRecord QuoteIndex::FindQuote(const std::vector<QuoteRecord> &records, const QString &gridSymbol)
{
    const QString wanted = gridSymbol.toUpper();
    for (const QuoteRecord &record : records)
        if (record.Symbol == wanted)
            return record;
    return QuoteRecord();
}
