#pragma once

#include "quotes/QuoteRecord.h"
#include "quotes/SymbolIndex.h"

#include <QString>
#include <optional>
#include <vector>

// One reply's quotes as a refresh paints them. Reading the reply finds its
// lines that are not blank and indexes their symbols; a line's numbers are
// read only when a row asks for that line, straight from the body, so
// nothing is built per line but a view and an index entry. The table keeps
// the body (shared, not copied) until it is cleared, and its storage from one
// reply to the next, so that a refresh allocates nothing per line.
class QuoteTable
{
public:
    void read(const QString &body);
    // Lets the body go; the storage stays for the next reply.
    void clear();

    bool isEmpty() const { return m_lines.empty(); }
    qsizetype size() const { return qsizetype(m_lines.size()); }

    // The quote of the first line for the grid symbol, trying the line at
    // position first; none when no line matches.
    std::optional<QuoteNumbers> find(QStringView gridSymbol, qsizetype position, bool FirstFetch) const;
    // The quote of the reply's first line, whatever its symbol; none for an empty reply.
    std::optional<QuoteNumbers> first(bool FirstFetch) const;

private:
    QString m_body;
    std::vector<QStringView> m_lines;
    SymbolIndex m_symbols;
};
