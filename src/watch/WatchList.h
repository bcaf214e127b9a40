#pragma once

#include <QString>
#include <vector>

// The watch-list string ",A,,B,,C,": every symbol of the grid wrapped in its
// own pair of commas, in grid order. Entry k belongs to grid row k + 1, so a
// row's delete removes exactly its own occurrence, even when another row
// holds the same symbol.
class WatchList
{
public:
    // The most scrips a list holds: the quote service answers no longer list.
    static constexpr int kMaxScrips = 32765;

    const QString &text() const { return m_text; }
    int size() const { return int(m_lengths.size()); }

    // A symbol is listed when the string holds "," + symbol + ",".
    bool contains(const QString &symbol) const;
    void append(const QString &symbol);
    void removeAt(int index);
    void clear();

private:
    QString m_text;
    std::vector<int> m_lengths; // each entry's symbol length, in order
};
