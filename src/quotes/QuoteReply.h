#pragma once

#include "quotes/QuoteRecord.h"

#include <QString>
#include <vector>

// Parses the quote service's reply: CR LF lines of comma-separated fields,
// one record per line that is not blank.
namespace QuoteReply {

std::vector<QuoteRecord> parse(QStringView body, bool FirstFetch);

// One line into a record, field by field; a missing or bad field keeps its default.
QuoteRecord parseLine(QStringView line, bool FirstFetch);

} // namespace QuoteReply
