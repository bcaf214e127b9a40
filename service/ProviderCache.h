#pragma once

#include "protocol/QuoteProtocol.h"
#include "service/Catalogue.h"
#include "service/ScripQuote.h"

#include <QByteArray>
#include <QMutex>
#include <QString>
#include <QStringList>

#include <vector>

class ServiceRequest;

// The provider's latest snapshot of each symbol asked for recently. Requests
// are answered from here on the asking threads, without waiting on the
// provider; the scheduler asks which symbols are due and stores what the
// provider answered. Times are the scheduler's clock, in ms.
class ProviderCache
{
public:
    // Symbols kept at most: a few of the longest lists, so memory stays bounded.
    static constexpr int kMaxSymbols = 4 * QuoteProtocol::kLongestList;

    struct Lines
    {
        QByteArray body;
        bool asksNew = false; // the request named a symbol never fetched: wake the scheduler
    };

    // keepMs: a symbol nobody asked for this long is no longer refreshed.
    explicit ProviderCache(qint64 keepMs);

    // The quote lines of the symbols of request that have a snapshot, in the
    // order asked; notes each symbol as asked for at nowMs.
    Lines answer(const ServiceRequest &request, qint64 nowMs);

    // The symbols to ask for next, at most maxSymbols and adding up to at
    // most maxListBytes with their commas: those never fetched first, then
    // those fetched longest ago, when that was refreshMs or more before nowMs.
    QStringList due(qint64 nowMs, qint64 refreshMs, int maxSymbols, qsizetype maxListBytes) const;
    // How many symbols were asked for within keepMs of nowMs.
    int wantedCount(qint64 nowMs) const;
    // When the next symbol falls due, or -1 when none is wanted.
    qint64 nextDueMs(qint64 nowMs, qint64 refreshMs) const;

    // What the provider answered for the batch asked at nowMs: a symbol of
    // the batch missing from quotes has no line until the provider has one.
    void store(const QStringList &batch, const std::vector<std::pair<QString, ScripQuote>> &quotes, qint64 nowMs);
    // Forgets the symbols that nobody asked for within keepMs.
    void forgetIdle(qint64 nowMs);

private:
    // The state of the symbol at the same index in m_symbols.
    struct Entry
    {
        ScripQuote quote;
        bool known = false;    // the provider gave a snapshot
        qint64 askedMs = 0;    // last asked for by a program
        qint64 fetchedMs = -1; // last asked of the provider, or -1 never
    };

    int indexOf(QStringView symbol, int hint, qint64 nowMs, bool *added);
    int add(QStringView symbol, qint64 nowMs);
    bool isWanted(const Entry &entry, qint64 nowMs) const { return nowMs - entry.askedMs < m_keepMs; }

    const qint64 m_keepMs;
    mutable QMutex m_mutex; // guards everything below
    // The symbols, looked up as the simulated market's are: a long list is
    // answered as fast from here as from the market.
    Catalogue m_symbols;
    std::vector<Entry> m_entries;
};
