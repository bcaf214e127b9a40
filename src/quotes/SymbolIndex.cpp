#include "quotes/SymbolIndex.h"

#include "watch/SymbolCase.h"

#include <QHashFunctions>
#include <algorithm>
#include <optional>

namespace {

constexpr qsizetype kKeyOnStack = SymbolCase::kOnStack;
constexpr size_t kFirstSlots = 64;

// The grid symbol upper-cased by the symbols' rule, in Latin-1 as reply
// symbols are; none when that upper case holds a character Latin-1 lacks,
// which no reply symbol can equal.
std::optional<QLatin1StringView> upperCased(QStringView symbol, char (&buffer)[kKeyOnStack], QByteArray &fallback)
{
    char16_t wide[SymbolCase::kOnStack];
    QString wideFallback;
    const QStringView upper = SymbolCase::upper(symbol, wide, wideFallback);
    if (std::any_of(upper.begin(), upper.end(), [](QChar c) { return c.unicode() > 0xFF; }))
        return std::nullopt;
    if (upper.size() > kKeyOnStack) {
        fallback = upper.toLatin1();
        return QLatin1StringView(fallback);
    }
    std::transform(upper.begin(), upper.end(), buffer, [](QChar c) { return char(c.unicode()); });
    return QLatin1StringView(buffer, upper.size());
}

} // namespace

SymbolIndex::SymbolIndex()
    : m_seed(QHashSeed::globalSeed())
{
}

void SymbolIndex::clear()
{
    if (m_entries.empty())
        return;
    m_entries.clear();
    std::fill(m_slots.begin(), m_slots.end(), 0);
}

bool SymbolIndex::equals(const Entry &entry, QLatin1StringView symbol)
{
    // Symbols are short: a plain loop beats a call to memcmp.
    if (entry.size != symbol.size())
        return false;
    const char *const other = symbol.data();
    for (qint32 i = 0; i < entry.size; ++i)
        if (entry.data[i] != other[i])
            return false;
    return true;
}

quint32 SymbolIndex::tagOf(QLatin1StringView symbol) const
{
    return quint32(qHash(QByteArrayView(symbol.data(), symbol.size()), m_seed));
}

qsizetype SymbolIndex::lookup(QLatin1StringView symbol, quint32 tag, size_t &slot) const
{
    const size_t mask = m_slots.size() - 1;
    for (slot = tag & mask; m_slots[slot] != 0; slot = (slot + 1) & mask) {
        const quint64 entry = m_slots[slot];
        const qsizetype position = qsizetype(entry & 0xFFFFFFFFu) - 1;
        if (quint32(entry >> 32) == tag && equals(m_entries[size_t(position)], symbol))
            return position;
    }
    return -1;
}

void SymbolIndex::reserve(qsizetype symbols)
{
    m_entries.reserve(size_t(symbols));
    size_t slotCount = qMax(kFirstSlots, m_slots.size());
    while (size_t(symbols) * 2 > slotCount)
        slotCount *= 2;
    if (slotCount > m_slots.size())
        growTo(slotCount);
}

void SymbolIndex::append(QLatin1StringView symbol)
{
    if ((m_entries.size() + 1) * 2 > m_slots.size())
        growTo(qMax(kFirstSlots, m_slots.size() * 2));
    const qsizetype position = size();
    const quint32 tag = tagOf(symbol);
    size_t slot = 0;
    const qsizetype first = lookup(symbol, tag, slot);
    if (first < 0)
        m_slots[slot] = quint64(tag) << 32 | quint64(position + 1);
    m_entries.push_back({symbol.data(), qint32(symbol.size()), qint32(first < 0 ? position : first)});
}

// Slots stay at most half full, so that probes stay short; their count is a power of two.
void SymbolIndex::growTo(size_t slotCount)
{
    std::vector<quint64> old(slotCount, 0);
    old.swap(m_slots);
    const size_t mask = m_slots.size() - 1;
    for (const quint64 entry : old) {
        if (entry == 0)
            continue;
        size_t slot = quint32(entry >> 32) & mask;
        while (m_slots[slot] != 0)
            slot = (slot + 1) & mask;
        m_slots[slot] = entry;
    }
}

bool SymbolIndex::matches(QLatin1StringView replySymbol, QStringView gridSymbol)
{
    // ASCII symbols, the usual kind, are compared as they are upper-cased.
    if (replySymbol.size() == gridSymbol.size()) {
        const char *const reply = replySymbol.data();
        const char16_t *const grid = gridSymbol.utf16();
        qsizetype i = 0;
        for (; i < gridSymbol.size() && grid[i] < 0x80; ++i)
            if (SymbolCase::asciiUpper(grid[i]) != char16_t(uchar(reply[i])))
                return false;
        if (i == gridSymbol.size())
            return true;
    }
    char buffer[kKeyOnStack];
    QByteArray fallback;
    const std::optional<QLatin1StringView> key = upperCased(gridSymbol, buffer, fallback);
    return key && *key == replySymbol;
}

qsizetype SymbolIndex::find(QStringView gridSymbol, qsizetype hint) const
{
    if (m_entries.empty())
        return -1;
    char buffer[kKeyOnStack];
    QByteArray fallback;
    const std::optional<QLatin1StringView> key = upperCased(gridSymbol, buffer, fallback);
    if (!key)
        return -1;
    if (hint >= 0 && hint < size() && equals(m_entries[size_t(hint)], *key))
        return m_entries[size_t(hint)].first;
    size_t slot = 0;
    return lookup(*key, tagOf(*key), slot);
}
