#include "quotes/QuoteTable.h"

#include "quotes/QuoteReply.h"
#include "web/CrLfLines.h"

void QuoteTable::read(const QByteArray &body)
{
    clear();
    m_body = body;
    m_unread = 0;
}

const QLatin1StringView *QuoteTable::lineAt(qsizetype position)
{
    while (qsizetype(m_lines.size()) <= position && m_unread >= 0) {
        const QLatin1StringView line = CrLfLines::nextLine(QLatin1StringView(m_body), m_unread);
        if (!QuoteReply::isBlankLine(line))
            m_lines.push_back(line);
    }
    return position >= 0 && position < qsizetype(m_lines.size()) ? &m_lines[size_t(position)] : nullptr;
}

qsizetype QuoteTable::size()
{
    while (m_unread >= 0)
        lineAt(qsizetype(m_lines.size()));
    return qsizetype(m_lines.size());
}

void QuoteTable::clear()
{
    m_readAhead.stop();
    m_lines.clear();
    m_symbols.clear();
    m_body = QByteArray();
    m_unread = -1;
    m_askers = 0;
    m_askersDistinct = false;
    m_inOrder = 0;
    m_orderBroken = false;
}

bool QuoteTable::find(QStringView gridSymbol, qsizetype position, bool FirstFetch, QuoteNumbers &quote)
{
    const bool inOrder = !m_orderBroken && position == m_inOrder;
    const ReplyReadAhead::Line *read = inOrder ? m_readAhead.at(position, FirstFetch) : nullptr;
    // A line read ahead is found here too only for the index of equal lines.
    const QLatin1StringView *const line = inOrder && !(read && m_askersDistinct) ? lineAt(position) : nullptr;
    const QLatin1StringView lineSymbol = read ? read->symbol : line ? QuoteReply::symbolOf(*line) : QLatin1StringView();
    qsizetype found = -1;
    if ((read || line) && SymbolIndex::matches(lineSymbol, gridSymbol))
        found = m_askersDistinct ? position : firstLineLike(position, lineSymbol);
    else
        found = findInIndex(gridSymbol, position);
    if (inOrder && found == position) {
        ++m_inOrder;
    } else {
        m_orderBroken = true;
        read = nullptr;
        m_readAhead.stop(); // the rows no longer ask in reply order
    }
    if (found < 0)
        return false;
    if (read) {
        quote = read->numbers;
    } else {
        quote = QuoteNumbers();
        QuoteReply::readNumbers(*lineAt(found), FirstFetch, quote);
    }
    m_readAhead.pass(position);
    return true;
}

void QuoteTable::setAskers(qsizetype rows, bool distinct, bool FirstFetch)
{
    m_askers = rows;
    m_askersDistinct = distinct;
    if (rows >= m_readAheadFrom && !m_body.isEmpty())
        m_readAhead.start(QLatin1StringView(m_body), rows, FirstFetch);
}

// The index grows in reply order, only as far as rows have asked: a reply in
// order is indexed one line per row, and a line's first equal is known as
// soon as the line is added.
void QuoteTable::indexLinesTo(qsizetype last)
{
    if (m_symbols.size() == 0)
        m_symbols.reserve(m_askers);
    for (qsizetype next = m_symbols.size(); next <= last; ++next)
        m_symbols.append(QuoteReply::symbolOf(m_lines[size_t(next)]));
}

qsizetype QuoteTable::firstLineLike(qsizetype position, QLatin1StringView symbol)
{
    indexLinesTo(position - 1);
    if (m_symbols.size() == position)
        m_symbols.append(symbol);
    return m_symbols.firstEqual(position);
}

qsizetype QuoteTable::findInIndex(QStringView gridSymbol, qsizetype position)
{
    const qsizetype lines = size();
    m_symbols.reserve(lines);
    indexLinesTo(lines - 1);
    return m_symbols.find(gridSymbol, position);
}

std::optional<QuoteNumbers> QuoteTable::first(bool FirstFetch)
{
    const QLatin1StringView *const line = lineAt(0);
    if (!line)
        return std::nullopt;
    QuoteNumbers quote;
    QuoteReply::readNumbers(*line, FirstFetch, quote);
    return quote;
}
