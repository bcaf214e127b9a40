#include "support/FindQuote.h"

QuoteRecord FindQuote(const std::vector<QuoteRecord> &records, const QString &gridSymbol)
{
    const QString wanted = gridSymbol.toUpper();
    for (const QuoteRecord &record : records)
        if (record.Symbol == wanted)
            return record;
    return QuoteRecord();
}
