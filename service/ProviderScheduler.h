#pragma once

#include "service/ProviderSettings.h"

#include <QNetworkAccessManager>
#include <QObject>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <deque>
#include <functional>

class ProviderCache;
class QNetworkReply;

// Asks the provider for the snapshots the cache holds, on the service's own
// schedule: one request in flight at a time, new symbols first, then each
// symbol again once its snapshot is refreshMs old, within the provider's rate
// budget. After a failure it backs off with jitter; after a 429 it waits for
// the provider's reset time; after a refused key it stops. The cache keeps
// answering meanwhile. Lives on the service's main thread.
class ProviderScheduler : public QObject
{
    Q_OBJECT

public:
    using Clock = std::function<qint64()>; // monotonic ms, the cache's clock too

    ProviderScheduler(const ProviderSettings &settings, ProviderCache &cache, Clock clock, QObject *parent = nullptr);

    // A program asked for a symbol never fetched: ask soon. Safe from any thread.
    void wake();
    // True once the provider refused the key: nothing more is asked.
    bool keyRefused() const { return m_keyRefused; }

private:
    enum class Outcome { Stored, Failed, RateLimited, Refused, TooLong, Skipped };

    void pump();
    qint64 waitBeforeNext(qint64 nowMs);
    void send(const QStringList &batch);
    void finish(QNetworkReply *reply, const QStringList &batch);
    Outcome outcomeOf(QNetworkReply *reply, const QStringList &batch);
    Outcome stored(const QByteArray &body, const QStringList &batch);
    void readRateHeaders(QNetworkReply *reply);
    qint64 resetWaitMs(QNetworkReply *reply) const;
    void backOff();
    void noteListSize(qsizetype batchSize);
    qsizetype maxListBytes() const;

    ProviderSettings m_settings;
    ProviderCache &m_cache;
    Clock m_clock;
    QNetworkAccessManager m_network;
    QTimer m_timer; // the next look at what is due
    bool m_inFlight = false;
    std::atomic<bool> m_keyRefused{false};
    int m_budget;                // requests a window, as the provider last said
    std::deque<qint64> m_sentAt; // within the last window
    qint64 m_blockedUntil = 0;   // 429 or nothing remaining: ask nothing before this
    qint64 m_backOffUntil = 0;
    int m_failures = 0;    // in a row
    qint64 m_forgotAt = 0; // when the cache last forgot its idle symbols
    qsizetype m_maxUrlBytes;
    bool m_toldSlower = false;  // the log said the list is refreshed less often
    bool m_toldLimited = false; // the log said the provider limits the rate, this time
};
