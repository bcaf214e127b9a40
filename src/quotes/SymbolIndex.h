#pragma once

#include <QLatin1StringView>
#include <QString>
#include <QStringView>
#include <vector>

// Matches grid symbols to the symbols of one reply, held as its Latin-1 bytes
// (one character per byte): a reply symbol matches when it equals the grid
// symbol upper-cased (as QString::toUpper does it), character for character,
// and the first such symbol in reply order wins.
//
// Symbols are added in reply order with one probe each, so every symbol
// knows the first of its kind as soon as it is added. A lookup tries the
// position it is hinted first: the service answers in the order it was
// asked, which is grid order, so the row's own position nearly always holds
// its symbol. The index keeps its storage when cleared, and holds views:
// whatever it was given must outlive its use.
class SymbolIndex
{
public:
    SymbolIndex();

    qsizetype size() const { return qsizetype(m_entries.size()); }
    void clear();

    // Makes room for symbols symbols, so that adding them moves nothing.
    void reserve(qsizetype symbols);
    // Adds the reply's next symbol.
    void append(QLatin1StringView symbol);

    // The position of the first symbol equal to the one at position.
    qsizetype firstEqual(qsizetype position) const { return m_entries[size_t(position)].first; }
    // The position of the first symbol that matches the grid symbol, or -1.
    qsizetype find(QStringView gridSymbol, qsizetype hint = -1) const;

    // Whether a reply symbol matches the grid symbol, by the rule above.
    static bool matches(QLatin1StringView replySymbol, QStringView gridSymbol);

private:
    struct Entry
    {
        const char *data;
        qint32 size;
        qint32 first; // position of the first symbol equal to this one
    };

    static bool equals(const Entry &entry, QLatin1StringView symbol);
    quint32 tagOf(QLatin1StringView symbol) const;
    // The first position of the symbol, or -1; slot is where probing stopped.
    qsizetype lookup(QLatin1StringView symbol, quint32 tag, size_t &slot) const;
    void growTo(size_t slotCount);

    std::vector<Entry> m_entries;
    std::vector<quint64> m_slots; // tag << 32 | position + 1; 0 is an empty slot
    size_t m_seed;
};
