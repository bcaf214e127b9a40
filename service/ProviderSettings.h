#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

// How the service asks the market-data provider. The times are the
// provider's own rules and the service's schedule; tests and benchmarks
// shorten them all together.
struct ProviderSettings
{
    QString quotesBase = QStringLiteral("https://data.alpaca.markets");      // + /v2/stocks/snapshots
    QString assetsBase = QStringLiteral("https://paper-api.alpaca.markets"); // + /v2/assets
    QString feed = QStringLiteral("iex");                                    // or "sip", with a paid plan
    QByteArray keyId;                                                        // never logged, never in a URL
    QByteArray secretKey;
    QString cacheFolder; // where the asset list is kept between runs

    qint64 refreshMs = 5000;      // a symbol's snapshot is asked for again after this long
    qint64 windowMs = 60'000;     // the provider counts requests over this span
    int requestsPerWindow = 200;  // until the provider says otherwise
    qint64 firstAskDelayMs = 300; // new symbols of one moment go in one request
    qint64 keepMs = 120'000;      // a symbol nobody asks for this long is no longer refreshed
    int timeoutMs = 10'000;       // a request that moves nothing this long has failed
    qint64 firstBackOffMs = 1000; // after a failure; doubled after each further one
    qint64 maxBackOffMs = 60'000;
    qsizetype maxUrlBytes = 4000; // well inside what servers take; halved after a 414
    qint64 assetsRefreshMs = 24LL * 3600 * 1000;
    qint64 assetsRetryMs = 3600 * 1000LL; // after a failed fetch of the asset list

    // The feed as the reply header names it: "Alpaca, IEX".
    QByteArray sourceName() const { return "Alpaca, " + feed.toUpper().toLatin1(); }
    bool hasKey() const { return !keyId.isEmpty() && !secretKey.isEmpty(); }
};
