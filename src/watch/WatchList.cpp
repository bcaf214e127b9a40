#include "watch/WatchList.h"

#include <QHashFunctions>

#include <algorithm>

namespace {

// Written in place into a buffer of its own: the last string may be shared
// by a refresh, and is never copied to be overwritten.
template <typename Items, typename SymbolOf> QString textOfItems(const Items &items, SymbolOf &&symbolOf)
{
    qsizetype length = 0;
    for (const auto &item : items)
        length += symbolOf(item).size() + 2;
    QString text(length, Qt::Uninitialized);
    QChar *at = text.data();
    for (const auto &item : items) {
        const QString &symbol = symbolOf(item);
        *at++ = u',';
        at = std::copy(symbol.cbegin(), symbol.cend(), at);
        *at++ = u',';
    }
    return text;
}

} // namespace

const QString &WatchList::text() const
{
    if (!m_textCurrent) {
        m_text = textOfItems(m_entries, [](const Entry &entry) -> const QString & { return entry.symbol; });
        m_textCurrent = true;
    }
    return m_text;
}

QString WatchList::textOf(std::span<const QString> symbols)
{
    return textOfItems(symbols, [](const QString &symbol) -> const QString & { return symbol; });
}

void WatchList::useText(const QString &text)
{
    Q_ASSERT(text == textOfItems(m_entries, [](const Entry &entry) -> const QString & { return entry.symbol; }));
    m_text = text;
    m_textCurrent = true;
}

bool WatchList::contains(const QString &symbol) const
{
    return text().contains(u',' + symbol + u',');
}

namespace {

// The hash of the symbol upper-cased as QString::toUpper does it; an ASCII
// symbol, the usual kind, is upper-cased without a copy on the heap.
size_t upperCasedHash(const QString &symbol)
{
    constexpr qsizetype kOnStack = 64;
    char16_t upper[kOnStack];
    if (symbol.size() > kOnStack)
        return qHash(symbol.toUpper());
    for (qsizetype i = 0; i < symbol.size(); ++i) {
        const char16_t c = symbol.utf16()[i];
        if (c >= 0x80)
            return qHash(symbol.toUpper());
        upper[i] = c >= u'a' && c <= u'z' ? char16_t(c - (u'a' - u'A')) : c;
    }
    return qHash(QStringView(upper, symbol.size()));
}

} // namespace

bool WatchList::differOnceUpperCased(std::span<const QString> symbols)
{
    std::vector<size_t> hashes;
    hashes.reserve(symbols.size());
    for (const QString &symbol : symbols)
        hashes.push_back(upperCasedHash(symbol));
    std::sort(hashes.begin(), hashes.end());
    return std::adjacent_find(hashes.begin(), hashes.end()) == hashes.end();
}

void WatchList::append(const QString &symbol, quint64 id)
{
    Q_ASSERT(m_entries.empty() || id > m_entries.back().id);
    m_entries.push_back({symbol, id});
    m_textCurrent = false;
}

bool WatchList::remove(quint64 id)
{
    const int index = indexOf(id);
    if (index < 0)
        return false;
    m_entries.erase(m_entries.begin() + index);
    m_textCurrent = false;
    return true;
}

int WatchList::indexOf(quint64 id) const
{
    // Identities grow down the list: a binary search finds the entry.
    const auto found = std::lower_bound(m_entries.begin(), m_entries.end(), id,
                                        [](const Entry &entry, quint64 wanted) { return entry.id < wanted; });
    return found != m_entries.end() && found->id == id ? int(found - m_entries.begin()) : -1;
}

void WatchList::clear()
{
    m_entries.clear();
    m_text.clear();
    m_textCurrent = true;
}
