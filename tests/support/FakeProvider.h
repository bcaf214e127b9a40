#pragma once

#include "support/FakeHttpServer.h"

#include <QHash>
#include <QStringList>

// A market-data provider for tests: a real HTTP server on 127.0.0.1 that
// answers /v2/stocks/snapshots and /v2/assets in the shapes the provider
// documents, checks the key headers (401 without them, 403 with others), and
// refuses a URL longer than it takes with 414. Scripted replies queued on
// server() go first, for the errors and the slow or broken replies.
class FakeProvider : public QObject
{
    Q_OBJECT

public:
    static constexpr char kKeyId[] = "PKTESTKEYID0001";
    static constexpr char kSecret[] = "s3cr3t-TEST-secret-0001";

    explicit FakeProvider(QObject *parent = nullptr);

    // "http://127.0.0.1:<port>", for --provider-url and --assets-url.
    QString baseUrl() const;
    FakeHttpServer &server() { return m_server; }

    // The snapshot object served for symbol, as JSON text ("null" maps the
    // symbol to null); a symbol without one is left out of the reply.
    void setSnapshot(const QString &symbol, const QByteArray &json) { m_snapshots.insert(symbol, json); }
    void removeSnapshot(const QString &symbol) { m_snapshots.remove(symbol); }
    void setAssets(const QByteArray &json) { m_assets = json; }
    void setMaxUrlBytes(int bytes) { m_maxUrlBytes = bytes; }
    // The budget each reply states in X-RateLimit-Limit.
    void setRateLimit(int requests) { m_rateLimit = requests; }

    // The documented shape of one snapshot.
    static QByteArray snapshot(double bid, double ask, double last, double open, double high, double low, qint64 volume,
                               double prevClose);

    // The snapshot requests received so far, and the symbols each asked for.
    int snapshotRequests() const;
    QList<qint64> snapshotTimesMs() const;
    QStringList symbolsOf(int request) const;

private:
    QByteArray answer(const QByteArray &request) const;
    QByteArray snapshots(const QByteArray &target) const;

    FakeHttpServer m_server;
    QHash<QString, QByteArray> m_snapshots;
    QByteArray m_assets = "[]";
    int m_maxUrlBytes = 1 << 20;
    int m_rateLimit = 200;
};
