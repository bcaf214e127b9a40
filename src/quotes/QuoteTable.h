#pragma once

#include "quotes/QuoteRecord.h"
#include "quotes/SymbolIndex.h"

#include <QString>
#include <vector>

// One reply's quotes as a refresh paints them: the numbers of every line that
// is not blank, in reply order, and an index of the lines' symbols. The
// symbols stay where they are in the body, which the table keeps (shared,
// not copied) until it is cleared. The table keeps its storage from one
// reply to the next, so reading a reply allocates nothing per line.
class QuoteTable
{
public:
    void read(const QString &body, bool FirstFetch);
    // Lets the body go; the storage stays for the next reply.
    void clear();

    bool isEmpty() const { return m_numbers.empty(); }
    qsizetype size() const { return qsizetype(m_numbers.size()); }

    // The numbers of the first line for the grid symbol, trying the line at
    // position first; nullptr when no line matches.
    const QuoteNumbers *find(QStringView gridSymbol, qsizetype position) const;

private:
    QString m_body;
    std::vector<QuoteNumbers> m_numbers;
    SymbolIndex m_symbols;
};
