#include "quotes/QuoteIndex.h"

QuoteIndex::QuoteIndex(const std::vector<QuoteRecord> &records)
    : m_records(records)
{
    m_firstBySymbol.reserve(qsizetype(records.size()));
    for (qsizetype i = 0; i < qsizetype(records.size()); ++i)
        if (!m_firstBySymbol.contains(records[i].Symbol))
            m_firstBySymbol.insert(records[i].Symbol, i);
}

QuoteRecord QuoteIndex::find(const QString &gridSymbol) const
{
    const auto found = m_firstBySymbol.constFind(gridSymbol.toUpper());
    return found == m_firstBySymbol.cend() ? QuoteRecord() : m_records[*found];
}

QuoteRecord QuoteIndex::FindQuote(const std::vector<QuoteRecord> &records, const QString &gridSymbol)
{
    const QString wanted = gridSymbol.toUpper();
    for (const QuoteRecord &record : records)
        if (record.Symbol == wanted)
            return record;
    return QuoteRecord();
}
