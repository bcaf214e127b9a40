#pragma once

#include "protocol/QuoteProtocol.h"

#include <QString>
#include <QtGlobal>
#include <vector>

// The watch list: the ordered scrips the user keeps, each with an identity
// that stays with it while entries above it come and go. This is the one
// place the list lives; the watch-list string ",A,,B,,C,", the grid's rows
// and the file's lines are all read from it.
class WatchList
{
public:
    // The most scrips a list holds: the quote service answers no longer list.
    static constexpr int kMaxScrips = QuoteProtocol::kLongestList;

    struct Entry
    {
        QString symbol;
        quint64 id = 0;
    };

    const std::vector<Entry> &entries() const { return m_entries; }
    int size() const { return int(m_entries.size()); }
    bool isFull() const { return size() >= kMaxScrips; }

    // Every symbol wrapped in its own pair of commas, in list order.
    const QString &text() const;
    // A symbol is listed when the string holds "," + symbol + ",".
    bool contains(const QString &symbol) const;

    // Appends the symbol under a new identity, which it returns. Identities
    // grow down the list, since entries are only ever added at its end.
    quint64 append(const QString &symbol);
    // Removes the entry; false when it is gone already.
    bool remove(quint64 id);
    // The entry's position from 0, or -1 when it is gone.
    int indexOf(quint64 id) const;
    void clear();
    // Room for this many entries, so that a long list is appended without moving.
    void reserve(int entries) { m_entries.reserve(size_t(entries)); }

private:
    std::vector<Entry> m_entries;
    quint64 m_nextId = 1;
    mutable QString m_text;
    mutable bool m_textCurrent = true;
};
