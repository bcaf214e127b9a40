#include "quotes/QuoteIndex.h"

QuoteIndex::QuoteIndex(std::vector<QuoteRecord> records)
    : m_records(std::move(records))
{
    m_firstBySymbol.reserve(qsizetype(m_records.size()));
    for (qsizetype i = 0; i < qsizetype(m_records.size()); ++i) {
        qsizetype &position = m_firstBySymbol[m_records[size_t(i)].Symbol]; // one probe per record
        if (position == 0)
            position = i + 1; // positions count from 1, so 0 is a new entry: the first record wins
    }
}

const QuoteRecord *QuoteIndex::find(const QString &gridSymbol) const
{
    const auto found = m_firstBySymbol.constFind(gridSymbol.toUpper());
    return found == m_firstBySymbol.cend() ? nullptr : &m_records[size_t(*found - 1)];
}

QuoteRecord QuoteIndex::FindQuote(const std::vector<QuoteRecord> &records, const QString &gridSymbol)
{
    const QString wanted = gridSymbol.toUpper();
    for (const QuoteRecord &record : records)
        if (record.Symbol == wanted)
            return record;
    return QuoteRecord();
}
