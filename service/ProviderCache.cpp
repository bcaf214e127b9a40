#include "service/ProviderCache.h"

#include "service/ReplyBuilder.h"
#include "service/ServiceRequest.h"
#include "service/SnapshotReader.h"

#include <QSet>

#include <algorithm>

namespace {

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
    std::vector<int> known;
    known.reserve(size_t(request.symbolCount()));
    Lines lines;
    int hint = 0;
    const QMutexLocker locker(&m_mutex);
    request.forEachSymbol([&](QStringView symbol) {
        bool added = false;
        const int index = indexOf(symbol, hint, nowMs, &added);
        lines.asksNew |= added;
        if (index < 0)
            return;
        hint = index + 1;
        if (m_entries[size_t(index)].known)
            known.push_back(index);
    });
    // The codes are viewed only now: a symbol added on the way may have moved them.
    std::vector<QByteArrayView> codes;
    std::vector<ScripQuote> quotes;
    codes.reserve(known.size());
    quotes.reserve(known.size());
    for (int index : known) {
        codes.push_back(m_symbols.codeLatin1(index));
        quotes.push_back(m_entries[size_t(index)].quote);
    }
    lines.body = ReplyBuilder::quotes(codes, quotes, request.firstFetch());
    return lines;
}

int ProviderCache::indexOf(QStringView symbol, int hint, qint64 nowMs, bool *added)
{
    if (const int index = m_symbols.indexOf(symbol, hint); index >= 0) {
        Entry &entry = m_entries[size_t(index)];
        *added = !isWanted(entry, nowMs); // asked again after a while: due at once
        entry.askedMs = nowMs;
        return index;
    }
    if (!SnapshotReader::isUsableSymbol(symbol))
        return -1; // never asked of the provider, never a line
    *added = true;
    return add(symbol, nowMs);
}

int ProviderCache::add(QStringView symbol, qint64 nowMs)
{
    // Full, a symbol waits for the scheduler to forget the idle ones: forgetting
    // here would move the indexes the request in hand has found.
    QString ignored;
    // A symbol has no name here; the search has the provider's names.
    if (m_symbols.size() >= kMaxSymbols || !m_symbols.add({symbol.toString(), symbol.toString(), 0}, &ignored))
        return -1;
    Entry entry;
    entry.askedMs = nowMs;
    m_entries.push_back(entry);
    return m_symbols.size() - 1;
}

QStringList ProviderCache::due(qint64 nowMs, qint64 refreshMs, int maxSymbols, qsizetype maxListBytes) const
{
    const QMutexLocker locker(&m_mutex);
    std::vector<int> candidates;
    for (int index = 0; index < int(m_entries.size()); ++index) {
        const Entry &entry = m_entries[size_t(index)];
        if (isWanted(entry, nowMs) && (entry.fetchedMs < 0 || nowMs - entry.fetchedMs >= refreshMs))
            candidates.push_back(index);
    }
    // Never fetched (-1) sorts first, then the oldest.
    std::stable_sort(candidates.begin(), candidates.end(),
                     [this](int a, int b) { return m_entries[size_t(a)].fetchedMs < m_entries[size_t(b)].fetchedMs; });
    QStringList batch;
    qsizetype bytes = 0;
    for (int index : candidates) {
        const QString &symbol = m_symbols.at(index).code;
        const qsizetype size = encodedSize(symbol) + 1; // and its comma
        if (batch.size() >= maxSymbols || bytes + size > maxListBytes)
            break;
        bytes += size;
        batch.append(symbol);
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
        if (const int index = m_symbols.indexOf(symbol); index >= 0) {
            // Not answered now, no line: an old snapshot would pass for a fresh one.
            m_entries[size_t(index)].fetchedMs = nowMs;
            m_entries[size_t(index)].known = false;
            asked.insert(index);
        }
    }
    for (const auto &[symbol, quote] : quotes) {
        const int index = m_symbols.indexOf(symbol);
        if (!asked.contains(index))
            continue; // only what was asked: a reply cannot fill another symbol's row
        Entry &entry = m_entries[size_t(index)];
        entry.quote = quote;
        entry.known = true;
    }
}

void ProviderCache::forgetIdle(qint64 nowMs)
{
    const QMutexLocker locker(&m_mutex);
    Catalogue symbols;
    std::vector<Entry> entries;
    QString ignored;
    for (int index = 0; index < int(m_entries.size()); ++index) {
        if (isWanted(m_entries[size_t(index)], nowMs) && symbols.add(m_symbols.at(index), &ignored))
            entries.push_back(m_entries[size_t(index)]);
    }
    m_symbols = std::move(symbols);
    m_entries = std::move(entries);
}
