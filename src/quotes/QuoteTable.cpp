#include "quotes/QuoteTable.h"

#include "quotes/QuoteReply.h"

void QuoteTable::read(const QString &body)
{
    clear();
    m_body = body;
    QuoteReply::forEachQuoteLine(m_body, [&](QStringView line) { m_lines.push_back(line); });
}

void QuoteTable::clear()
{
    m_lines.clear();
    m_symbols.clear();
    m_body = QString();
    m_askersDistinct = false;
    m_inOrder = 0;
    m_orderBroken = false;
}

std::optional<QuoteNumbers> QuoteTable::find(QStringView gridSymbol, qsizetype position, bool FirstFetch)
{
    const bool inOrder = !m_orderBroken && position == m_inOrder && position < size();
    qsizetype found = -1;
    if (inOrder && m_askersDistinct &&
        SymbolIndex::matches(QuoteReply::symbolOf(m_lines[size_t(position)]), gridSymbol))
        found = position;
    else
        found = findInIndex(gridSymbol, position);
    if (inOrder && found == position)
        ++m_inOrder;
    else
        m_orderBroken = true;
    if (found < 0)
        return std::nullopt;
    QuoteNumbers quote;
    QuoteReply::readNumbers(m_lines[size_t(found)], FirstFetch, quote);
    return quote;
}

qsizetype QuoteTable::findInIndex(QStringView gridSymbol, qsizetype position)
{
    if (m_symbols.size() < size()) {
        m_symbols.clear();
        for (QStringView line : m_lines)
            m_symbols.append(QuoteReply::symbolOf(line));
    }
    return m_symbols.find(gridSymbol, position);
}

std::optional<QuoteNumbers> QuoteTable::first(bool FirstFetch) const
{
    if (m_lines.empty())
        return std::nullopt;
    QuoteNumbers quote;
    QuoteReply::readNumbers(m_lines.front(), FirstFetch, quote);
    return quote;
}
