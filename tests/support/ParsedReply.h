#pragma once

#include "quotes/QuoteReply.h"

#include <vector>

// A whole reply read into records, one per line that is not blank, in order:
// the rule a refresh answers to, which tests and fuzz targets check it
// against. The program itself reads a line only when a row asks for it
// (QuoteTable), so only they need the whole list. Header-only, for both.
namespace QuoteReply {

inline std::vector<QuoteRecord> parse(QStringView body, bool FirstFetch)
{
    std::vector<QuoteRecord> records;
    forEachQuoteLine(body, [&](QStringView line) { records.push_back(parseLine(line, FirstFetch)); });
    return records;
}

} // namespace QuoteReply
