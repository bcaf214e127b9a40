#include "watch/WatchList.h"

bool WatchList::contains(const QString &symbol) const
{
    return m_text.contains(u',' + symbol + u',');
}

void WatchList::append(const QString &symbol)
{
    m_text += u',';
    m_text += symbol;
    m_text += u',';
    m_lengths.push_back(int(symbol.size()));
}

void WatchList::removeAt(int index)
{
    if (index < 0 || index >= size())
        return;
    qsizetype offset = 0;
    for (int i = 0; i < index; ++i)
        offset += m_lengths[i] + 2;
    m_text.remove(offset, m_lengths[index] + 2);
    m_lengths.erase(m_lengths.begin() + index);
}

void WatchList::clear()
{
    m_text.clear();
    m_lengths.clear();
}
