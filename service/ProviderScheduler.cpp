#include "service/ProviderScheduler.h"

#include "service/ProviderCache.h"
#include "service/ProviderLog.h"
#include "service/SnapshotReader.h"

#include <QDateTime>
#include <QNetworkReply>
#include <QRandomGenerator>
#include <QUrl>

#include <algorithm>

namespace {

const QString kSnapshotsPath = QStringLiteral("/v2/stocks/snapshots");
constexpr qint64 kLeastWaitMs = 1; // a timer of 0 ms would spin while nothing is due

} // namespace

ProviderScheduler::ProviderScheduler(const ProviderSettings &settings, ProviderCache &cache, Clock clock,
                                     QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_cache(cache)
    , m_clock(std::move(clock))
    , m_budget(settings.requestsPerWindow)
    , m_maxUrlBytes(settings.maxUrlBytes)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &ProviderScheduler::pump);
}

void ProviderScheduler::wake()
{
    QMetaObject::invokeMethod(this, [this] {
        // New symbols of one moment gather into one request; a look due sooner stays.
        if (!m_inFlight && (!m_timer.isActive() || m_timer.remainingTime() > m_settings.firstAskDelayMs))
            m_timer.start(int(m_settings.firstAskDelayMs));
    });
}

void ProviderScheduler::pump()
{
    if (m_inFlight || m_keyRefused)
        return;
    const qint64 now = m_clock();
    if (now - m_forgotAt >= m_settings.keepMs) {
        m_cache.forgetIdle(now); // what nobody asks for goes, and memory stays bounded
        m_forgotAt = now;
    }
    if (const qint64 wait = waitBeforeNext(now); wait > 0) {
        m_timer.start(int(std::max(wait, kLeastWaitMs)));
        return;
    }
    const QStringList batch = m_cache.due(now, m_settings.refreshMs, INT_MAX, maxListBytes());
    if (batch.isEmpty()) {
        const qint64 next = m_cache.nextDueMs(now, m_settings.refreshMs);
        if (next >= 0)
            m_timer.start(int(std::max(next - now, kLeastWaitMs)));
        return;
    }
    noteListSize(batch.size());
    send(batch);
}

qint64 ProviderScheduler::waitBeforeNext(qint64 nowMs)
{
    while (!m_sentAt.empty() && nowMs - m_sentAt.front() >= m_settings.windowMs + m_settings.windowMs / 50)
        m_sentAt.pop_front();
    qint64 wait = std::max(m_blockedUntil, m_backOffUntil) - nowMs;
    // Spread over the window, and never more than the budget within one.
    if (!m_sentAt.empty())
        wait = std::max(wait, m_sentAt.back() + m_settings.windowMs / std::max(m_budget, 1) - nowMs);
    // A little past the window, so that the provider's count has surely moved on.
    if (int(m_sentAt.size()) >= m_budget)
        wait = std::max(wait, m_sentAt.front() + m_settings.windowMs + m_settings.windowMs / 50 - nowMs);
    return wait;
}

void ProviderScheduler::send(const QStringList &batch)
{
    QStringList encoded;
    encoded.reserve(batch.size());
    for (const QString &symbol : batch)
        encoded.append(QString::fromLatin1(QUrl::toPercentEncoding(symbol)));
    QUrl url(m_settings.quotesBase + kSnapshotsPath);
    url.setQuery(QStringLiteral("symbols=%1&feed=%2").arg(encoded.join(u','), m_settings.feed), QUrl::StrictMode);
    QNetworkRequest request(url);
    // The key travels in headers only, never in the address.
    request.setRawHeader("APCA-API-KEY-ID", m_settings.keyId);
    request.setRawHeader("APCA-API-SECRET-KEY", m_settings.secretKey);
    request.setTransferTimeout(m_settings.timeoutMs);
    m_inFlight = true;
    m_sentAt.push_back(m_clock());
    qCDebug(lcProvider) << "asking for" << batch.size() << "snapshots," << url.toEncoded().size() << "bytes of URL";
    QNetworkReply *reply = m_network.get(request);
    // A reply past the cap is cut off as it comes, not kept whole first.
    connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received, qint64) {
        if (received > SnapshotReader::kMaxReplyBytes) {
            reply->setProperty("tooLong", true);
            reply->abort();
        }
    });
    connect(reply, &QNetworkReply::finished, this, [this, reply, batch] { finish(reply, batch); });
}

void ProviderScheduler::finish(QNetworkReply *reply, const QStringList &batch)
{
    m_inFlight = false;
    readRateHeaders(reply);
    switch (outcomeOf(reply, batch)) {
    case Outcome::Stored:
        m_failures = 0;
        m_backOffUntil = 0;
        m_toldLimited = false;
        break;
    case Outcome::Failed:
        backOff();
        break;
    case Outcome::RateLimited:
        m_blockedUntil = m_clock() + resetWaitMs(reply);
        if (!std::exchange(m_toldLimited, true))
            qCInfo(lcProvider) << "The provider limits the rate: asking again in"
                               << (m_blockedUntil - m_clock() + 999) / 1000 << "s; answering from the cache meanwhile";
        break;
    case Outcome::Refused:
        m_keyRefused = true;
        qCInfo(lcProvider).noquote() << QStringLiteral("The provider refused the key (HTTP %1): nothing more is "
                                                       "asked. Check it with tickerloom-service --check.")
                                            .arg(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt());
        break;
    case Outcome::TooLong:
        m_maxUrlBytes = std::max<qsizetype>(256, m_maxUrlBytes / 2);
        qCDebug(lcProvider) << "URL too long: batches now end at" << m_maxUrlBytes << "bytes";
        break;
    case Outcome::Skipped:
        break;
    }
    reply->deleteLater();
    pump();
}

ProviderScheduler::Outcome ProviderScheduler::outcomeOf(QNetworkReply *reply, const QStringList &batch)
{
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (reply->property("tooLong").toBool()) {
        qCInfo(lcProvider) << "The provider's reply was longer than" << SnapshotReader::kMaxReplyBytes
                           << "bytes and was not read";
        return Outcome::Failed;
    }
    if (status == 0) { // no reply: refused connection, time-out, no network
        qCDebug(lcProvider) << "no reply from the provider:" << reply->error();
        return Outcome::Failed;
    }
    if (status == 401 || status == 403)
        return Outcome::Refused;
    if (status == 429)
        return Outcome::RateLimited;
    if (status == 414)
        return Outcome::TooLong;
    if (status >= 500) {
        qCDebug(lcProvider) << "the provider failed: HTTP" << status;
        return Outcome::Failed;
    }
    if (status != 200) {
        // Asking again would get the same answer: the batch waits its next turn, without lines.
        qCDebug(lcProvider) << "the provider answered HTTP" << status << "for a batch of" << batch.size();
        m_cache.store(batch, {}, m_clock());
        return Outcome::Skipped;
    }
    return stored(reply->readAll(), batch);
}

ProviderScheduler::Outcome ProviderScheduler::stored(const QByteArray &body, const QStringList &batch)
{
    const SnapshotReader::Result read = SnapshotReader::read(body);
    if (!read.error.isEmpty()) {
        qCInfo(lcProvider).noquote() << "The provider's reply was not read:" << read.error;
        return Outcome::Failed;
    }
    m_cache.store(batch, read.quotes, m_clock());
    qCDebug(lcProvider) << "stored" << read.quotes.size() << "of" << batch.size() << "snapshots";
    return Outcome::Stored;
}

void ProviderScheduler::readRateHeaders(QNetworkReply *reply)
{
    bool ok = false;
    const int limit = reply->rawHeader("X-RateLimit-Limit").toInt(&ok);
    if (ok && limit > 0)
        m_budget = limit;
    const int remaining = reply->rawHeader("X-RateLimit-Remaining").toInt(&ok);
    if (ok && remaining <= 0)
        m_blockedUntil = std::max(m_blockedUntil, m_clock() + resetWaitMs(reply));
}

qint64 ProviderScheduler::resetWaitMs(QNetworkReply *reply) const
{
    // The reset is a time in Unix seconds; without one, a whole window.
    bool ok = false;
    const qint64 resetSeconds = reply->rawHeader("X-RateLimit-Reset").trimmed().toLongLong(&ok);
    if (!ok)
        return m_settings.windowMs;
    const qint64 wait = resetSeconds * 1000 - QDateTime::currentMSecsSinceEpoch();
    return std::clamp<qint64>(wait, kLeastWaitMs, m_settings.windowMs);
}

void ProviderScheduler::backOff()
{
    ++m_failures;
    const qint64 base = std::min(m_settings.maxBackOffMs, m_settings.firstBackOffMs << std::min(m_failures - 1, 20));
    // Half to one and a half times the base, so that many services do not retry in step.
    const qint64 wait = base / 2 + qint64(QRandomGenerator::global()->bounded(double(base)));
    m_backOffUntil = m_clock() + wait;
    qCDebug(lcProvider) << "failure" << m_failures << "in a row: asking again in" << wait << "ms";
}

void ProviderScheduler::noteListSize(qsizetype batchSize)
{
    const int wanted = m_cache.wantedCount(m_clock());
    const qint64 requests = (wanted + batchSize - 1) / std::max<qsizetype>(batchSize, 1);
    const qint64 roundMs = requests * m_settings.windowMs / std::max(m_budget, 1);
    if (roundMs <= m_settings.refreshMs || std::exchange(m_toldSlower, true))
        return;
    qCInfo(lcProvider).noquote() << QStringLiteral("%1 symbols need %2 requests a refresh: within %3 requests a "
                                                   "minute they are refreshed every %4 s, not every %5 s")
                                        .arg(wanted)
                                        .arg(requests)
                                        .arg(m_budget)
                                        .arg(double(roundMs) / 1000, 0, 'g', 3)
                                        .arg(double(m_settings.refreshMs) / 1000, 0, 'g', 3);
}

qsizetype ProviderScheduler::maxListBytes() const
{
    const qsizetype fixed =
        (m_settings.quotesBase + kSnapshotsPath + QStringLiteral("?symbols=&feed=") + m_settings.feed).size();
    return std::max<qsizetype>(64, m_maxUrlBytes - fixed);
}
