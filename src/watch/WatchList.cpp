#include "watch/WatchList.h"

#include "watch/SymbolCase.h"

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

const QString &symbolOf(const WatchList::Entry &entry)
{
    return entry.symbol;
}

} // namespace

const QString &WatchList::text() const
{
    if (!m_textCurrent) {
        m_text = textOfItems(m_entries, symbolOf);
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
    Q_ASSERT(text == textOfItems(m_entries, symbolOf));
    m_text = text;
    m_textCurrent = true;
}

bool WatchList::contains(const QString &symbol) const
{
    return text().contains(u',' + symbol + u',');
}

namespace {

// The hash of the symbol upper-cased by the symbols' rule, never 0.
quint64 upperCasedHash(const QString &symbol)
{
    char16_t buffer[SymbolCase::kOnStack];
    QString fallback;
    return quint64(qHash(SymbolCase::upper(symbol, buffer, fallback))) | 1;
}

} // namespace

bool WatchList::differOnceUpperCased(std::span<const QString> symbols)
{
    // The hashes in a table at most half full, probed in turn from the slot
    // their top bits give once spread.
    int bits = 1;
    while ((size_t(1) << bits) < 2 * symbols.size())
        ++bits;
    const size_t slotCount = size_t(1) << bits;
    std::vector<quint64> table(slotCount, 0);
    for (const QString &symbol : symbols) {
        const quint64 hash = upperCasedHash(symbol);
        size_t slot = size_t((hash * 0x9E3779B97F4A7C15ULL) >> (64 - bits));
        for (; table[slot] != 0; slot = (slot + 1) & (slotCount - 1))
            if (table[slot] == hash)
                return false; // equal, or merely alike: either way not known to differ
        table[slot] = hash;
    }
    return true;
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
