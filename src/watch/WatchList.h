#pragma once

#include "protocol/QuoteProtocol.h"

#include <QString>
#include <QtGlobal>
#include <span>
#include <vector>

// The watch list: the ordered scrips the user keeps. An entry carries the
// identity of the grid row that shows it (GridModel::rowId), the one identity
// a row has: it stays with the entry while entries above it come and go, and
// pending deletes and price history are bound to it. The grid's SYMBOL column
// shows the same entries row by row; the watch-list string ",A,,B,,C," and
// the file's lines are read from the list.
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
    static QString textOf(std::span<const QString> symbols);
    // Takes the text textOf gives for the entries' symbols, made elsewhere
    // (on another thread), instead of building it again.
    void useText(const QString &text);
    // A symbol is listed when the string holds "," + symbol + ",".
    bool contains(const QString &symbol) const;
    // Whether no two of the symbols are equal once upper-cased, as a reply's
    // symbols match them; false too for two that merely look alike to a hash.
    static bool differOnceUpperCased(std::span<const QString> symbols);

    // Appends the symbol under its grid row's identity. Identities grow down
    // the list, as they do down the grid, since rows are only ever added at
    // the end.
    void append(const QString &symbol, quint64 id);
    // Removes the entry; false when it is gone already.
    bool remove(quint64 id);
    // The entry's position from 0, or -1 when it is gone.
    int indexOf(quint64 id) const;
    void clear();
    // Room for this many entries, so that a long list is appended without moving.
    void reserve(int entries) { m_entries.reserve(size_t(entries)); }

private:
    std::vector<Entry> m_entries;
    mutable QString m_text;
    mutable bool m_textCurrent = true;
};
