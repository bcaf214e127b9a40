// How fast the demo service answers the longest list the program can send:
// 32,765 symbols, over HTTP on 127.0.0.1 and as pure reply building, and how
// many such replies per second it serves to one client and to eight at once.
#include "quotes/QuoteRequest.h"
#include "service/QuoteService.h"
#include "service/ReplyBuilder.h"
#include "service/ServiceRequest.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTcpSocket>
#include <QTextStream>
#include <QThread>
#include <QTimer>
#include <QUrl>

#include <algorithm>
#include <atomic>
#include <ctime>
#include <memory>
#include <numeric>
#include <random>
#include <vector>

namespace {

constexpr int kSymbols = int(ServiceRequest::kMaxSymbols);
constexpr int kHttpRepetitions = 5;
constexpr int kPureRepetitions = 20;
constexpr int kTimeoutMs = 60000;
constexpr int kManyClients = 8;
constexpr int kWarmUpMs = 1000;
constexpr int kLoadMs = 4000; // replies are counted over this span, after the warm-up

struct Sample
{
    double ms = 0;
    qsizetype bytes = 0;
};

// The last kSymbols scrips of the catalogue, in its order or shuffled.
QString longestList(const Catalogue &catalogue, bool shuffled = false)
{
    std::vector<int> indexes(kSymbols);
    std::iota(indexes.begin(), indexes.end(), catalogue.size() - kSymbols);
    if (shuffled)
        std::shuffle(indexes.begin(), indexes.end(), std::mt19937(kSymbols));
    QString list = QStringLiteral(",");
    for (int index : indexes)
        list += catalogue.at(index).code + u',';
    return list;
}

Sample fetchOnce(QNetworkAccessManager &manager, const QString &url)
{
    QElapsedTimer timer;
    timer.start();
    QNetworkReply *reply = manager.get(QNetworkRequest(QUrl(url, QUrl::StrictMode)));
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    QTimer::singleShot(kTimeoutMs, &loop, &QEventLoop::quit);
    loop.exec();
    Sample sample;
    sample.bytes = reply->readAll().size();
    sample.ms = double(timer.nsecsElapsed()) / 1e6;
    if (!reply->isFinished() || reply->error() != QNetworkReply::NoError)
        sample.bytes = -1;
    reply->deleteLater();
    return sample;
}

// Keeps keep-alive connections busy: each sends the next request as soon as
// its reply is complete. Lives on a thread of its own, apart from the threads
// that serve.
class LoadClients : public QObject
{
public:
    LoadClients(quint16 port, QByteArray request, int count)
        : m_port(port)
        , m_request(std::move(request))
        , m_count(count)
    {
    }

    std::atomic<int> replies{0};
    std::atomic<int> failures{0};

    void start()
    {
        for (int i = 0; i < m_count; ++i) {
            auto *socket = new QTcpSocket(this);
            auto received = std::make_shared<QByteArray>();
            connect(socket, &QTcpSocket::connected, socket, [this, socket] { socket->write(m_request); });
            connect(socket, &QTcpSocket::readyRead, socket, [this, socket, received] {
                received->append(socket->readAll());
                if (takeReply(*received))
                    socket->write(m_request);
            });
            socket->connectToHost(QStringLiteral("127.0.0.1"), m_port);
        }
    }

private:
    // True when *received held one whole reply, now taken off its front.
    bool takeReply(QByteArray &received)
    {
        const qsizetype headEnd = received.indexOf("\r\n\r\n");
        if (headEnd < 0)
            return false;
        const QByteArray head = received.left(headEnd).toLower();
        const qsizetype lengthAt = head.indexOf("content-length:");
        const qsizetype length =
            lengthAt < 0 ? 0
                         : head.mid(lengthAt + 15, head.indexOf('\r', lengthAt) - lengthAt - 15).trimmed().toLongLong();
        if (received.size() < headEnd + 4 + length)
            return false;
        (head.startsWith("http/1.1 200") && length > 0 ? replies : failures) += 1;
        received.remove(0, headEnd + 4 + length);
        return true;
    }

    quint16 m_port;
    QByteArray m_request;
    int m_count;
};

double threadCpuMs()
{
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void report(QTextStream &out, const char *what, const std::vector<double> &ms, qsizetype bytes)
{
    out << qSetFieldWidth(44) << Qt::left << what << qSetFieldWidth(0) << " median "
        << QString::number(median(ms), 'f', 1) << " ms, best "
        << QString::number(*std::min_element(ms.begin(), ms.end()), 'f', 1) << " ms, " << bytes << " bytes per reply\n";
}

void benchHttp(QTextStream &out, QuoteService &service, const QString &list, bool firstFetch)
{
    QNetworkAccessManager manager;
    const QString url = QuoteRequest::url(service.baseAddress(), list, firstFetch);
    fetchOnce(manager, url); // warm-up: connection, allocations
    std::vector<double> ms;
    qsizetype bytes = 0;
    for (int repetition = 0; repetition < kHttpRepetitions; ++repetition) {
        const Sample sample = fetchOnce(manager, url);
        ms.push_back(sample.ms);
        bytes = sample.bytes;
    }
    out << "request URL: " << url.size() << " bytes\n";
    report(out, firstFetch ? "HTTP GET, first fetch (11 fields):" : "HTTP GET, refresh (9 fields):", ms, bytes);
}

// The longest request the program can make: 20-character symbols. None is
// known, so this measures taking in a URL of about 700 KB.
void benchLongestUrl(QTextStream &out, QuoteService &service)
{
    QString list = QStringLiteral(",");
    for (int number = 1; number <= kSymbols; ++number)
        list += QStringLiteral("LONGSYMBOL%1,").arg(number, 10, 10, QLatin1Char('0'));
    QNetworkAccessManager manager;
    const QString url = QuoteRequest::url(service.baseAddress(), list, false);
    fetchOnce(manager, url);
    std::vector<double> ms;
    for (int repetition = 0; repetition < kHttpRepetitions; ++repetition)
        ms.push_back(fetchOnce(manager, url).ms);
    out << "request URL: " << url.size() << " bytes\n";
    report(out, "HTTP GET, 20-character unknown symbols:", ms, 0);
}

// Replies per second with `clients` connections asking at once.
double benchThroughput(QTextStream &out, QuoteService &service, const QString &list, int clients)
{
    const QUrl url(QuoteRequest::url(service.baseAddress(), list, false), QUrl::StrictMode);
    const QByteArray request =
        "GET " + url.toEncoded(QUrl::RemoveScheme | QUrl::RemoveAuthority) + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    QThread thread;
    LoadClients load(url.port(), request, clients);
    load.moveToThread(&thread);
    thread.start();
    QMetaObject::invokeMethod(&load, &LoadClients::start);
    const auto serveFor = [](int ms) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    };
    serveFor(kWarmUpMs);
    const int before = load.replies;
    QElapsedTimer timer;
    timer.start();
    serveFor(kLoadMs);
    const double perSecond = (load.replies - before) * 1000.0 / double(timer.elapsed());
    // The sockets belong to the load's thread: delete them there, then stop it.
    QMetaObject::invokeMethod(
        &load, [&load] { qDeleteAll(load.findChildren<QTcpSocket *>()); }, Qt::BlockingQueuedConnection);
    thread.quit();
    thread.wait();
    serveFor(100); // let the service see the connections close
    out << qSetFieldWidth(44) << Qt::left
        << QStringLiteral("HTTP throughput, %1 client%2 at once:").arg(clients).arg(clients > 1 ? "s" : "")
        << qSetFieldWidth(0) << ' ' << QString::number(perSecond, 'f', 1) << " replies/s";
    if (load.failures > 0)
        out << " (" << load.failures << " failed replies)";
    out << '\n';
    return perSecond;
}

double benchPure(QTextStream &out, QuoteService &service, const QString &list, const char *what)
{
    const QString query =
        QUrl(QuoteRequest::url(QStringLiteral("http://h/quote"), list, false)).query(QUrl::FullyEncoded);
    std::vector<double> parseMs, answerMs, answerCpuMs;
    qsizetype bytes = 0;
    for (int repetition = 0; repetition < kPureRepetitions; ++repetition) {
        QElapsedTimer timer;
        timer.start();
        const ServiceRequest request = ServiceRequest::parse(query);
        parseMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        const double cpuBefore = threadCpuMs();
        timer.restart();
        bytes = service.answer(query).data().size();
        answerMs.push_back(double(timer.nsecsElapsed()) / 1e6);
        answerCpuMs.push_back(threadCpuMs() - cpuBefore);
        if (request.symbols().size() != kSymbols)
            out << "unexpected symbol count " << request.symbols().size() << '\n';
    }
    out << what << ":\n";
    report(out, "  request parsing alone:", parseMs, 0);
    report(out, "  parsing + reply building (no HTTP):", answerMs, bytes);
    // Unlike the time on the clock, this hardly grows when other programs share the processor.
    report(out, "  the same, processor time of its thread:", answerCpuMs, bytes);
    return median(answerMs);
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    ServiceSettings settings;
    settings.seed = 1;
    settings.synthetic = kSymbols;
    QuoteService service(settings);
    if (service.listen(0) == 0) {
        out << "cannot listen: " << service.errorString() << '\n';
        return 1;
    }
    const QString list = longestList(service.catalogue());
    out << "bench_service: " << kSymbols << " symbols, " << kHttpRepetitions << " HTTP and " << kPureRepetitions
        << " pure repetitions\n";
    benchHttp(out, service, list, false);
    benchHttp(out, service, list, true);
    benchLongestUrl(out, service);
    const double buildMs = benchPure(out, service, list, "symbols in the catalogue's order");
    benchPure(out, service, longestList(service.catalogue(), true), "the same symbols shuffled");
    const double one = benchThroughput(out, service, list, 1);
    const double many = benchThroughput(out, service, list, kManyClients);
    out << "throughput ratio, " << kManyClients << " clients / 1: " << QString::number(many / one, 'f', 2) << '\n';
    out << "summary build_ms=" << QString::number(buildMs, 'f', 2) << " one_client_rps=" << QString::number(one, 'f', 1)
        << " eight_clients_rps=" << QString::number(many, 'f', 1) << " ratio=" << QString::number(many / one, 'f', 2)
        << '\n';
    return 0;
}
