#pragma once

#include "quotes/QuoteRecord.h"
#include "quotes/ReplyReadAhead.h"
#include "quotes/SymbolIndex.h"

#include <QByteArray>
#include <QLatin1StringView>
#include <QString>
#include <optional>
#include <vector>

// One reply's quotes as a refresh paints them, read from the body's Latin-1
// bytes, one character per byte, as the service sends them. The reply's lines that are
// not blank are found as rows ask for them, and a line's numbers are read
// only when a row asks for that line, straight from the body: nothing is
// built per line but a view, and a reply in order is read in one pass. The
// table keeps the body (shared, not copied) until it is cleared, and its
// storage from one reply to the next, so that a refresh allocates nothing
// per line.
//
// The service answers in the order asked. A row that finds its own line at
// its position, after every row before it did the same, takes the first line
// equal to that one; when the rows that ask are known to hold distinct
// symbols, no earlier line can be, and even that is not asked. A row that
// does not find its own line is looked up in an index of the reply's symbols.
// When many rows ask, their lines are found and their numbers read ahead on
// a second thread while the rows are painted, until a row breaks the order.
class QuoteTable
{
public:
    // Below this many rows, starting a thread costs more than it saves.
    static constexpr qsizetype kReadAheadRows = 2048;

    explicit QuoteTable(qsizetype readAheadFrom = kReadAheadRows)
        : m_readAheadFrom(readAheadFrom)
    {
    }

    void read(const QByteArray &body);
    // Lets the body go; the storage stays for the next reply.
    void clear();

    bool isEmpty() { return lineAt(0) == nullptr; }
    qsizetype size();

    // Reads into quote the numbers of the first line for the grid symbol,
    // trying the line at position first; false, quote as it was, when no
    // line matches. A line read ahead gives its numbers from the thread's ring.
    bool find(QStringView gridSymbol, qsizetype position, bool FirstFetch, QuoteNumbers &quote);
    // How many rows will ask, whether they hold symbols that differ once
    // upper-cased, and for which kind of fetch.
    void setAskers(qsizetype rows, bool distinct, bool FirstFetch);
    // Whether every find so far, asked at positions 0, 1, 2 and on, found the
    // first line of its symbol at its own position: then the symbols asked
    // for differ once upper-cased, since those lines' symbols differ.
    bool answeredInOrder() const { return !m_orderBroken; }
    // The quote of the reply's first line, whatever its symbol; none for an empty reply.
    std::optional<QuoteNumbers> first(bool FirstFetch);

private:
    // The line at position, finding lines up to it; none past the last.
    const QLatin1StringView *lineAt(qsizetype position);
    void indexLinesTo(qsizetype last);
    // The position of the first line equal to the line at position, whose symbol is given.
    qsizetype firstLineLike(qsizetype position, QLatin1StringView symbol);
    qsizetype findInIndex(QStringView gridSymbol, qsizetype position);

    QByteArray m_body;
    qsizetype m_unread = -1;                // where the next line begins; -1 once every line is found
    std::vector<QLatin1StringView> m_lines; // the lines found so far
    SymbolIndex m_symbols;                  // the lines' symbols from the first, as far as rows have asked
    qsizetype m_askers = 0;
    bool m_askersDistinct = false;
    qsizetype m_inOrder = 0; // lines answered in order so far
    bool m_orderBroken = false;
    qsizetype m_readAheadFrom;
    ReplyReadAhead m_readAhead; // stopped before the body goes
};
