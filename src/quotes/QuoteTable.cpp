#include "quotes/QuoteTable.h"

#include "quotes/QuoteReply.h"

void QuoteTable::read(const QString &body, bool FirstFetch)
{
    clear();
    m_body = body;
    QuoteReply::forEachQuoteLine(m_body, [&](QStringView line) {
        QuoteNumbers &numbers = m_numbers.emplace_back();
        m_symbols.append(QuoteReply::readNumbers(line, FirstFetch, numbers));
    });
}

void QuoteTable::clear()
{
    m_numbers.clear();
    m_symbols.clear();
    m_body = QString();
}

const QuoteNumbers *QuoteTable::find(QStringView gridSymbol, qsizetype position) const
{
    const qsizetype found = m_symbols.find(gridSymbol, position);
    return found < 0 ? nullptr : &m_numbers[size_t(found)];
}
