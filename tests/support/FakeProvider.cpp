#include "support/FakeProvider.h"

#include <QUrl>
#include <QUrlQuery>

namespace {

QByteArray headerOf(const QByteArray &request, const QByteArray &name)
{
    for (const QByteArray &line : request.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().toLower() == name.toLower())
            return line.mid(colon + 1).trimmed();
    }
    return {};
}

QByteArray json(const QByteArray &body, int rateLimit)
{
    return FakeHttpServer::ok(body,
                              "Content-Type: application/json\r\nX-RateLimit-Limit: " + QByteArray::number(rateLimit) +
                                  "\r\nX-RateLimit-Remaining: " + QByteArray::number(rateLimit - 1) + "\r\n");
}

} // namespace

FakeProvider::FakeProvider(QObject *parent)
    : QObject(parent)
{
    m_server.setDefaultReply([this](const QByteArray &request) { return answer(request); });
}

QString FakeProvider::baseUrl() const
{
    return m_server.baseUrl(QString());
}

QByteArray FakeProvider::snapshot(double bid, double ask, double last, double open, double high, double low,
                                  qint64 volume, double prevClose)
{
    const auto n = [](double value) { return QByteArray::number(value, 'g', 12); };
    return R"({"latestTrade":{"t":"2026-12-08T15:59:59Z","x":"V","p":)" + n(last) +
           R"(,"s":100,"c":["@"],"i":1,"z":"C"},"latestQuote":{"t":"2026-12-08T15:59:59Z","ax":"V","ap":)" + n(ask) +
           R"(,"as":2,"bx":"V","bp":)" + n(bid) + R"(,"bs":1,"c":["R"],"z":"C"},)" +
           R"("minuteBar":{"t":"2026-12-08T15:59:00Z","o":1,"h":1,"l":1,"c":1,"v":10,"n":1,"vw":1},)" +
           R"("dailyBar":{"t":"2026-12-08T05:00:00Z","o":)" + n(open) + R"(,"h":)" + n(high) + R"(,"l":)" + n(low) +
           R"(,"c":)" + n(last) + R"(,"v":)" + QByteArray::number(volume) + R"(,"n":500,"vw":1},)" +
           R"("prevDailyBar":{"t":"2026-12-07T05:00:00Z","o":1,"h":1,"l":1,"c":)" + n(prevClose) +
           R"(,"v":1000,"n":50,"vw":1}})";
}

int FakeProvider::snapshotRequests() const
{
    int count = 0;
    for (int index = 0; index < m_server.requests().size(); ++index)
        count += m_server.requestTarget(index).startsWith("/v2/stocks/snapshots");
    return count;
}

QList<qint64> FakeProvider::snapshotTimesMs() const
{
    QList<qint64> times;
    for (int index = 0; index < m_server.requests().size(); ++index) {
        if (m_server.requestTarget(index).startsWith("/v2/stocks/snapshots"))
            times.append(m_server.requestTimesMs().at(index));
    }
    return times;
}

QStringList FakeProvider::symbolsOf(int request) const
{
    int seen = -1;
    for (int index = 0; index < m_server.requests().size(); ++index) {
        const QByteArray target = m_server.requestTarget(index);
        if (target.startsWith("/v2/stocks/snapshots") && ++seen == request)
            return QUrlQuery(QUrl::fromEncoded(target))
                .queryItemValue(QStringLiteral("symbols"), QUrl::FullyDecoded)
                .split(u',');
    }
    return {};
}

QByteArray FakeProvider::answer(const QByteArray &request) const
{
    const QByteArray target = request.left(request.indexOf('\r')).split(' ').value(1);
    if (target.size() > m_maxUrlBytes)
        return FakeHttpServer::status(414, "URI Too Long", R"({"message":"uri too long"})");
    const QByteArray id = headerOf(request, "APCA-API-KEY-ID");
    const QByteArray secret = headerOf(request, "APCA-API-SECRET-KEY");
    if (id.isEmpty() || secret.isEmpty())
        return FakeHttpServer::status(401, "Unauthorized", R"({"message":"unauthorized."})");
    if (id != kKeyId || secret != kSecret)
        return FakeHttpServer::status(403, "Forbidden", R"({"message":"forbidden"})");
    if (target.startsWith("/v2/assets"))
        return json(m_assets, m_rateLimit);
    if (target.startsWith("/v2/stocks/snapshots"))
        return json(snapshots(target), m_rateLimit);
    return FakeHttpServer::status(404, "Not Found", R"({"message":"not found"})");
}

QByteArray FakeProvider::snapshots(const QByteArray &target) const
{
    const QString symbols =
        QUrlQuery(QUrl::fromEncoded(target)).queryItemValue(QStringLiteral("symbols"), QUrl::FullyDecoded);
    QByteArray body = "{";
    for (const QString &symbol : symbols.split(u',', Qt::SkipEmptyParts)) {
        if (!m_snapshots.contains(symbol))
            continue; // the provider leaves out what it does not know
        if (body.size() > 1)
            body += ',';
        body += '"' + symbol.toUtf8() + "\":" + m_snapshots.value(symbol);
    }
    return body + '}';
}
