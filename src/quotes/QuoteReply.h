#pragma once

#include "quotes/QuoteRecord.h"
#include "web/CrLfLines.h"

#include <QString>

// Parses the quote service's reply: CR LF lines of comma-separated fields,
// one record per line that is not blank.
namespace QuoteReply {

// One line into a record, field by field; a missing or bad field keeps its default.
QuoteRecord parseLine(QStringView line, bool FirstFetch);

// The numbers of one line into numbers, field by field as parseLine reads them.
void readNumbers(QStringView line, bool FirstFetch, QuoteNumbers &numbers);

// The line's symbol field: all before its first comma.
QStringView symbolOf(QStringView line);

// Empty, or spaces only: such a line yields no record.
bool isBlankLine(QStringView line);

// The same readings of a line of the body's Latin-1 bytes, one character per
// byte, as a refresh reads its reply.
void readNumbers(QLatin1StringView line, bool FirstFetch, QuoteNumbers &numbers);
QLatin1StringView symbolOf(QLatin1StringView line);
bool isBlankLine(QLatin1StringView line);

// Calls visit(line) for every line of the body that yields a record, in order.
template <typename Visit> void forEachQuoteLine(QStringView body, Visit &&visit)
{
    CrLfLines::forEach(body, [&](QStringView line) {
        if (!isBlankLine(line))
            visit(line);
    });
}

} // namespace QuoteReply
