#include "quotes/QuoteTable.h"

#include "quotes/QuoteReply.h"

void QuoteTable::read(const QString &body)
{
    clear();
    m_body = body;
    QuoteReply::forEachQuoteLine(m_body, [&](QStringView line) {
        m_lines.push_back(line);
        m_symbols.append(QuoteReply::symbolOf(line));
    });
}

void QuoteTable::clear()
{
    m_lines.clear();
    m_symbols.clear();
    m_body = QString();
}

std::optional<QuoteNumbers> QuoteTable::find(QStringView gridSymbol, qsizetype position, bool FirstFetch) const
{
    const qsizetype found = m_symbols.find(gridSymbol, position);
    if (found < 0)
        return std::nullopt;
    QuoteNumbers quote;
    QuoteReply::readNumbers(m_lines[size_t(found)], FirstFetch, quote);
    return quote;
}

std::optional<QuoteNumbers> QuoteTable::first(bool FirstFetch) const
{
    if (m_lines.empty())
        return std::nullopt;
    QuoteNumbers quote;
    QuoteReply::readNumbers(m_lines.front(), FirstFetch, quote);
    return quote;
}
