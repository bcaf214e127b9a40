// The quote service with a market-data provider (the fake provider of the
// tests, on 127.0.0.1): eight clients asking for the same 200-symbol list
// every refresh cost the provider one request a refresh, and the answer from
// the cache for the longest list costs what the simulated market's does.
// Time runs 20 times faster than the provider's: a refresh of 5 s takes
// 250 ms and a minute 3 s, so that the run takes seconds.
#include "quotes/QuoteRequest.h"
#include "service/AlpacaSource.h"
#include "service/QuoteService.h"
#include "service/ServiceRequest.h"
#include "support/FakeProvider.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpSocket>
#include <QTextStream>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <memory>
#include <vector>

namespace {

constexpr int kClients = 8;
constexpr int kListSymbols = 200;
constexpr int kLongest = int(ServiceRequest::kMaxSymbols);
constexpr int kSpeedUp = 20;
constexpr qint64 kMinuteMs = 60'000 / kSpeedUp;
constexpr qint64 kRefreshMs = 5000 / kSpeedUp;
constexpr int kMinutes = 3;
constexpr int kRepetitions = 20;

QString symbol(int number)
{
    return QStringLiteral("SYN%1").arg(number, 5, 10, QLatin1Char('0'));
}

QString listOf(int count)
{
    QString list = QStringLiteral(",");
    for (int number = 1; number <= count; ++number)
        list += symbol(number) + u',';
    return list;
}

void serveFor(qint64 ms)
{
    QEventLoop loop;
    QTimer::singleShot(int(ms), &loop, &QEventLoop::quit);
    loop.exec();
}

ProviderSettings fastSettings(const FakeProvider &fake)
{
    ProviderSettings settings;
    settings.quotesBase = settings.assetsBase = fake.baseUrl();
    settings.keyId = FakeProvider::kKeyId;
    settings.secretKey = FakeProvider::kSecret;
    settings.refreshMs = kRefreshMs;
    settings.windowMs = kMinuteMs;
    settings.firstAskDelayMs = 300 / kSpeedUp;
    settings.keepMs = 120'000 / kSpeedUp;
    return settings;
}

// One client: asks for the list over its own connection every refresh, and
// counts the replies that held every line.
class Client : public QObject
{
public:
    Client(quint16 port, const QByteArray &request)
        : m_request(request)
    {
        connect(&m_socket, &QTcpSocket::readyRead, this, [this] { take(); });
        m_socket.connectToHost(QStringLiteral("127.0.0.1"), port);
        connect(&m_timer, &QTimer::timeout, this, [this] { m_socket.write(m_request); });
        m_timer.start(int(kRefreshMs));
    }

    int wholeReplies = 0;
    int replies = 0;

private:
    void take()
    {
        m_received += m_socket.readAll();
        for (;;) {
            const qsizetype headEnd = m_received.indexOf("\r\n\r\n");
            const qsizetype lengthAt = m_received.toLower().indexOf("content-length:");
            if (headEnd < 0 || lengthAt < 0 || lengthAt > headEnd)
                return;
            const qsizetype length = m_received.mid(lengthAt + 15, m_received.indexOf('\r', lengthAt) - lengthAt - 15)
                                         .trimmed()
                                         .toLongLong();
            if (m_received.size() < headEnd + 4 + length)
                return;
            ++replies;
            wholeReplies += m_received.mid(headEnd + 4, length).count('\n') == kListSymbols;
            m_received.remove(0, headEnd + 4 + length);
        }
    }

    QByteArray m_request;
    QTcpSocket m_socket;
    QTimer m_timer;
    QByteArray m_received;
};

// The most snapshot requests the provider received within any one minute.
int mostRequestsInAMinute(const QList<qint64> &times, qint64 fromMs)
{
    int most = 0;
    for (qsizetype first = 0; first < times.size(); ++first) {
        if (times[first] < fromMs)
            continue;
        const auto end = std::lower_bound(times.begin() + first, times.end(), times[first] + kMinuteMs);
        most = std::max(most, int(end - (times.begin() + first)));
    }
    return most;
}

double medianAnswerMs(QuoteService &service, const QString &query, qsizetype *bytes)
{
    std::vector<double> ms;
    for (int repetition = 0; repetition < kRepetitions; ++repetition) {
        QElapsedTimer timer;
        timer.start();
        *bytes = service.answer(query).data().size();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return ms[ms.size() / 2];
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    FakeProvider fake;
    for (int number = 1; number <= kLongest; ++number)
        fake.setSnapshot(symbol(number), FakeProvider::snapshot(100, 100.1, 100.05, 99, 101, 98, number, 99.5));
    QuoteService service({}, std::make_unique<AlpacaSource>(fastSettings(fake)));
    const quint16 port = service.listen(0);
    if (port == 0) {
        out << "cannot listen: " << service.errorString() << '\n';
        return 1;
    }
    out << "bench_provider: " << kClients << " clients, " << kListSymbols << " symbols every 5 s, time " << kSpeedUp
        << " times faster\n";

    const QByteArray request =
        "GET " + QUrl(QuoteRequest::url(QStringLiteral("/quote"), listOf(kListSymbols), false)).toEncoded() +
        " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < kClients; ++i)
        clients.push_back(std::make_unique<Client>(port, request));
    serveFor(kMinuteMs); // the first minute fills the cache
    const qint64 measuredFrom = QDateTime::currentMSecsSinceEpoch();
    const int requestsBefore = fake.snapshotRequests();
    serveFor(kMinutes * kMinuteMs);
    const int requests = fake.snapshotRequests() - requestsBefore;
    const int most = mostRequestsInAMinute(fake.snapshotTimesMs(), measuredFrom);
    int replies = 0, whole = 0;
    for (const auto &client : clients)
        replies += client->replies, whole += client->wholeReplies;
    clients.clear();
    out << "provider requests: " << requests << " in " << kMinutes << " minutes, at most " << most
        << " within a minute; client replies: " << replies << ", " << whole << " with all " << kListSymbols
        << " lines\n";

    // The longest list, once its snapshots are cached.
    const QString longest = listOf(kLongest);
    const QString query =
        QUrl(QuoteRequest::url(QStringLiteral("http://h/quote"), longest, false)).query(QUrl::FullyEncoded);
    service.answer(query);
    QElapsedTimer filling;
    filling.start();
    while (service.answer(query).data().count('\n') < kLongest && filling.elapsed() < 120'000)
        serveFor(100);
    qsizetype bytes = 0;
    const double cachedMs = medianAnswerMs(service, query, &bytes);
    ServiceSettings simulatedSettings;
    simulatedSettings.synthetic = kLongest;
    QuoteService simulated(simulatedSettings);
    qsizetype simulatedBytes = 0;
    const double simulatedMs = medianAnswerMs(simulated, query, &simulatedBytes);
    out << "answer for " << kLongest << " symbols: from the cache " << QString::number(cachedMs, 'f', 2) << " ms ("
        << bytes << " bytes), from the simulated market " << QString::number(simulatedMs, 'f', 2) << " ms ("
        << simulatedBytes << " bytes)\n";
    out << "summary clients=" << kClients << " symbols=" << kListSymbols << " provider_requests_per_minute_max=" << most
        << " client_replies=" << replies << " whole_replies=" << whole << " cached_answer_ms_" << kLongest << '='
        << QString::number(cachedMs, 'f', 2) << " simulated_answer_ms=" << QString::number(simulatedMs, 'f', 2) << '\n';
    return most <= 12 && whole > 0 ? 0 : 1;
}
