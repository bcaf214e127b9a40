#pragma once

#include "quotes/QuoteRecord.h"

#include <QHash>
#include <vector>

// Finds a grid row's record in one reply. The grid's symbol is upper-cased and
// compared exactly with the reply's symbols; the first matching record wins,
// and none gives the default record. Built once per reply, so a refresh costs
// time linear in its rows.
class QuoteIndex
{
public:
    explicit QuoteIndex(const std::vector<QuoteRecord> &records);

    QuoteRecord find(const QString &gridSymbol) const;

    // The same lookup by walking the records, for one-off lookups.
    static QuoteRecord FindQuote(const std::vector<QuoteRecord> &records, const QString &gridSymbol);

private:
    const std::vector<QuoteRecord> &m_records;
    QHash<QString, qsizetype> m_firstBySymbol;
};
