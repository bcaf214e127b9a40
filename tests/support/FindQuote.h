#pragma once

#include "quotes/QuoteRecord.h"

#include <vector>

// The matching rule, by walking one reply's records: the grid's symbol is
// upper-cased and compared exactly with each record's symbol; the first that
// matches is the row's, and none gives the default record. A refresh finds
// the same through QuoteTable without the walk; this is the rule it answers to.
QuoteRecord FindQuote(const std::vector<QuoteRecord> &records, const QString &gridSymbol);
