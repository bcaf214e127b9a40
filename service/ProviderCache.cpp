#include "service/ProviderCache.h"

#include "service/ReplyBuilder.h"
#include "service/ServiceRequest.h"
#include "service/SnapshotReader.h"

#include <QSet>

#include <algorithm>

namespace {

// An ASCII symbol upper-cased into out, which keeps its memory from one call to the next.
void upperInto(QStringView symbol, QString &out)
{
    out.resize(symbol.size());
    QChar *to = out.data();
    for (QChar c : symbol)
        *to++ = c >= u'a' && c <= u'z' ? QChar(c.unicode() - (u'a' - u'A')) : c;
}

// The symbol's length in a URL's query: all but unreserved characters take three bytes.
qsizetype encodedSize(QStringView symbol)
{
    qsizetype size = 0;
    for (QChar c : symbol)
        size += c.isLetterOrNumber() || c == u'-' || c == u'.' || c == u'_' || c == u'~' ? 1 : 3;
    return size;
}

} // namespace

ProviderCache::ProviderCache(qint64 keepMs)
    : m_keepMs(keepMs)
{
}

ProviderCache::Lines ProviderCache::answer(const ServiceRequest &request, qint64 nowMs)
{
    std::vector<QByteArrayView> codes;
    std::vector<ScripQuote> quotes;
    codes.reserve(size_t(request.symbolCount()));
    quotes.reserve(size_t(request.symbolCount()));
    Lines lines;
    const QMutexLocker locker(&m_mutex);
    request.forEachSymbol([&](QStringView symbol) {
        bool added = false;
        const int slot = slotOf(symbol, nowMs, &added);
        lines.asksNew |= added;
        if (slot < 0 || !m_entries[size_t(slot)].known)
            return;
        codes.push_back(m_entries[size_t(slot)].codeLatin1);
        quotes.push_back(m_entries[size_t(slot)].quote);
    });
    lines.body = ReplyBuilder::quotes(codes, quotes, request.firstFetch());
    return lines;
}

int ProviderCache::slotOf(QStringView symbol, qint64 nowMs, bool *added)
{
    if (!SnapshotReader::isUsableSymbol(symbol))
        return -1; // never asked of the provider, never a line
    upperInto(symbol, m_upper);
    if (const auto found = m_slotBySymbol.constFind(m_upper); found != m_slotBySymbol.constEnd()) {
        Entry &entry = m_entries[size_t(*found)];
        *added = !isWanted(entry, nowMs); // asked again after a while: due at once
        entry.askedMs = nowMs;
        return *found;
    }
    if (int(m_entries.size()) >= kMaxSymbols)
        dropIdle(nowMs);
    if (int(m_entries.size()) >= kMaxSymbols)
        return -1;
    Entry entry;
    entry.symbol = m_upper;
    entry.codeLatin1 = m_upper.toLatin1();
    entry.askedMs = nowMs;
    m_slotBySymbol.insert(entry.symbol, int(m_entries.size()));
    m_entries.push_back(std::move(entry));
    *added = true;
    return int(m_entries.size()) - 1;
}

QStringList ProviderCache::due(qint64 nowMs, qint64 refreshMs, int maxSymbols, qsizetype maxListBytes) const
{
    const QMutexLocker locker(&m_mutex);
    std::vector<const Entry *> candidates;
    for (const Entry &entry : m_entries) {
        if (isWanted(entry, nowMs) && (entry.fetchedMs < 0 || nowMs - entry.fetchedMs >= refreshMs))
            candidates.push_back(&entry);
    }
    // Never fetched (-1) sorts first, then the oldest.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [](const Entry *a, const Entry *b) { return a->fetchedMs < b->fetchedMs; });
    QStringList batch;
    qsizetype bytes = 0;
    for (const Entry *entry : candidates) {
        const qsizetype size = encodedSize(entry->symbol) + 1; // and its comma
        if (batch.size() >= maxSymbols || bytes + size > maxListBytes)
            break;
        bytes += size;
        batch.append(entry->symbol);
    }
    return batch;
}

int ProviderCache::wantedCount(qint64 nowMs) const
{
    const QMutexLocker locker(&m_mutex);
    return int(std::count_if(m_entries.begin(), m_entries.end(),
                             [this, nowMs](const Entry &entry) { return isWanted(entry, nowMs); }));
}

qint64 ProviderCache::nextDueMs(qint64 nowMs, qint64 refreshMs) const
{
    const QMutexLocker locker(&m_mutex);
    qint64 next = -1;
    for (const Entry &entry : m_entries) {
        if (!isWanted(entry, nowMs))
            continue;
        const qint64 due = entry.fetchedMs < 0 ? nowMs : entry.fetchedMs + refreshMs;
        next = next < 0 ? due : std::min(next, due);
    }
    return next;
}

void ProviderCache::store(const QStringList &batch, const std::vector<std::pair<QString, ScripQuote>> &quotes,
                          qint64 nowMs)
{
    const QMutexLocker locker(&m_mutex);
    QSet<int> asked;
    for (const QString &symbol : batch) {
        if (const auto found = m_slotBySymbol.constFind(symbol); found != m_slotBySymbol.constEnd()) {
            m_entries[size_t(*found)].fetchedMs = nowMs;
            asked.insert(*found);
        }
    }
    for (const auto &[symbol, quote] : quotes) {
        upperInto(symbol, m_upper);
        const auto found = m_slotBySymbol.constFind(m_upper);
        if (found == m_slotBySymbol.constEnd() || !asked.contains(*found))
            continue; // only what was asked: a reply cannot fill another symbol's row
        Entry &entry = m_entries[size_t(*found)];
        entry.quote = quote;
        entry.known = true;
    }
}

void ProviderCache::forgetIdle(qint64 nowMs)
{
    const QMutexLocker locker(&m_mutex);
    dropIdle(nowMs);
}

void ProviderCache::dropIdle(qint64 nowMs)
{
    std::vector<Entry> kept;
    for (Entry &entry : m_entries) {
        if (isWanted(entry, nowMs))
            kept.push_back(std::move(entry));
    }
    m_entries = std::move(kept);
    m_slotBySymbol.clear();
    for (int index = 0; index < int(m_entries.size()); ++index)
        m_slotBySymbol.insert(m_entries[size_t(index)].symbol, index);
}
