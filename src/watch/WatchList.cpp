#include "watch/WatchList.h"

#include <algorithm>

const QString &WatchList::text() const
{
    if (!m_textCurrent) {
        qsizetype length = 0;
        for (const Entry &entry : m_entries)
            length += entry.symbol.size() + 2;
        // Written in place into a buffer of its own: the last string may be
        // shared by a refresh, and is never copied to be overwritten.
        m_text = QString(length, Qt::Uninitialized);
        QChar *at = m_text.data();
        for (const Entry &entry : m_entries) {
            *at++ = u',';
            at = std::copy(entry.symbol.cbegin(), entry.symbol.cend(), at);
            *at++ = u',';
        }
        m_textCurrent = true;
    }
    return m_text;
}

bool WatchList::contains(const QString &symbol) const
{
    return text().contains(u',' + symbol + u',');
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
