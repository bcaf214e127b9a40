// The demo quote service: its replies read back through the program's own
// parsers, the request rules, the random walk, the advertisement, and HTTP.
#include "protocol/QuoteProtocol.h"
#include "quotes/QuoteRequest.h"
#include "search/SearchReply.h"
#include "search/SearchRequest.h"
#include "service/Catalogue.h"
#include "service/Market.h"
#include "service/QuoteService.h"
#include "service/ReplyBuilder.h"
#include "service/ScripQuote.h"
#include "service/ServiceOptions.h"
#include "service/ServiceRequest.h"
#include "service/SignalWatcher.h"
#include "service/SocketActivation.h"
#include "support/ParsedReply.h"

#include <QBuffer>
#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHttpServerResponse>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTcpSocket>
#include <QTest>
#include <QThread>
#include <QUrl>

#include <atomic>
#include <csignal>
#include <memory>
#include <numeric>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

Q_DECLARE_METATYPE(ScripQuote)

namespace {

constexpr int kLongestList = QuoteProtocol::kLongestList;
const QString kBase = QStringLiteral("http://127.0.0.1/quote");

// The query as the server hands it to the service: QUrl's encoded form.
QString queryOf(const QString &url)
{
    return QUrl(url, QUrl::StrictMode).query(QUrl::FullyEncoded);
}
QString quoteQuery(QStringView list, bool firstFetch)
{
    return queryOf(QuoteRequest::url(kBase, list, firstFetch));
}
QString searchQuery(QStringView text)
{
    return queryOf(SearchRequest::url(kBase, text));
}

ServiceSettings settingsWith(int synthetic = 0, int adEvery = 0, const QString &adLink = QStringLiteral("example.com"))
{
    return {QuoteProtocol::kDefaultPort, 7, synthetic, adEvery, adLink};
}

QStringList symbolsOf(const QByteArray &body, bool firstFetch)
{
    QStringList symbols;
    for (const QuoteRecord &record : QuoteReply::parse(QString::fromLatin1(body), firstFetch))
        symbols.append(record.Symbol);
    return symbols;
}

struct Fetched
{
    int status = 0;
    QByteArray body;
    QHash<QByteArray, QByteArray> headers;
}; // names in lower case

Fetched collect(QNetworkReply *reply)
{
    if (!reply->isFinished())
        QSignalSpy(reply, &QNetworkReply::finished).wait(30000);
    Fetched fetched{reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll(), {}};
    for (const auto &[name, value] : reply->rawHeaderPairs())
        fetched.headers.insert(name.toLower(), value);
    reply->deleteLater();
    return fetched;
}

Fetched get(QNetworkAccessManager &m, const QString &url)
{
    return collect(m.get(QNetworkRequest(QUrl(url))));
}

QByteArray sha1(const QByteArray &bytes)
{
    return QCryptographicHash::hash(bytes, QCryptographicHash::Sha1).toHex();
}

// One scrip's state at a moment, as a request for it alone gets it.
ScripQuote quoteAt(Market &market, int index, qint64 nowMs)
{
    return market.quotes({index}, [nowMs] { return nowMs; }).front();
}

// A reply read off a plain socket. status stays 0 without a whole reply.
struct RawReply
{
    int status = 0;
    QByteArray body;
    bool closed = false;
};

// Takes the first whole reply off the front of received; none while it is not whole.
RawReply takeReply(QByteArray &received)
{
    const qsizetype headEnd = received.indexOf("\r\n\r\n");
    const QRegularExpressionMatch length =
        QRegularExpression(QStringLiteral("content-length: *(\\d+)"), QRegularExpression::CaseInsensitiveOption)
            .match(QString::fromLatin1(received.left(headEnd)));
    RawReply reply;
    if (headEnd < 0 || !length.hasMatch() || received.size() < headEnd + 4 + length.captured(1).toLongLong())
        return reply;
    reply.status = received.mid(9, 3).toInt(); // "HTTP/1.1 200"
    reply.body = received.mid(headEnd + 4, length.captured(1).toLongLong());
    received.remove(0, headEnd + 4 + reply.body.size());
    return reply;
}

// Reads until a whole reply is in, the server closes, or 30 s pass.
RawReply nextReply(QTcpSocket &socket, QByteArray &received)
{
    RawReply reply;
    for (QDeadlineTimer deadline(30000); !deadline.hasExpired() && !reply.closed; QTest::qWait(5)) {
        received += socket.readAll();
        reply.closed = socket.state() == QAbstractSocket::UnconnectedState;
        if (RawReply whole = takeReply(received); whole.status != 0)
            return whole;
    }
    return reply;
}

// Sends bytes over a new plain socket and keeps what comes back.
RawReply exchange(quint16 port, const QByteArray &bytes)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), port);
    socket.write(bytes);
    QByteArray received;
    return nextReply(socket, received);
}

QByteArray getRequest(const QByteArray &target, const QByteArray &headers = {})
{
    return "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" + headers + "\r\n";
}

// A listening socket on 127.0.0.1 made without Qt, so that nothing in this
// process accepts on it: only a service it is handed to does, as with systemd.
int listeningSocket(quint16 *port)
{
    const int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (descriptor < 0 || ::bind(descriptor, reinterpret_cast<sockaddr *>(&address), size) != 0 ||
        ::listen(descriptor, 16) != 0 || ::getsockname(descriptor, reinterpret_cast<sockaddr *>(&address), &size) != 0)
        return -1;
    *port = ntohs(address.sin_port);
    return descriptor;
}

// A connection to 127.0.0.1:port with a small receive window, so that a long
// reply waits in the sender until the reader takes it.
qintptr smallWindowConnection(quint16 port)
{
    const int descriptor = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const int window = 16 * 1024;
    ::setsockopt(descriptor, SOL_SOCKET, SO_RCVBUF, &window, sizeof window);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    if (::connect(descriptor, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0)
        return -1;
    return descriptor;
}

// The request target of a quote request for list, as the program sends it.
QByteArray queryTarget(const QString &list, bool firstFetch)
{
    return QUrl(QuoteRequest::url(QStringLiteral("/quote"), list, firstFetch)).toEncoded();
}

// A first-fetch request for the service's last kLongestList scrips, some 3.5 MB of reply.
QByteArray longestListRequest(const QuoteService &service)
{
    QString list = QStringLiteral(",");
    for (int index = service.catalogue().size() - kLongestList; index < service.catalogue().size(); ++index)
        list += service.catalogue().at(index).code + u',';
    return getRequest(queryTarget(list, true));
}

// A service with a short idle time, and a client of a small receive window
// that asks it for the longest list.
struct LongReplyReader
{
    ServiceSettings settings = withIdleTime(settingsWith(kLongestList), 300);
    QuoteService service{settings};
    QTcpSocket socket;

    static ServiceSettings withIdleTime(ServiceSettings settings, int ms)
    {
        settings.idleTimeoutMs = ms;
        return settings;
    }

    bool ask()
    {
        const quint16 port = service.listen(0);
        // Made before connecting, so that the new connection is not left
        // silent while a sanitizer build works the long request out.
        const QByteArray request = longestListRequest(service);
        if (!socket.setSocketDescriptor(smallWindowConnection(port)))
            return false;
        socket.setReadBufferSize(16 * 1024);
        socket.write(request);
        return true;
    }
};

// Starts the service binary as systemd starts it on its socket: the socket
// as descriptor 3, LISTEN_FDS=1, and LISTEN_PID naming the service's own
// process. A shell sets LISTEN_PID to its own number ($$) and becomes the
// service, which keeps the number; listenPid may name another process.
void startHanded(QProcess &service, int socket, const QStringList &arguments, const QString &listenPid = "$$",
                 const QString &listenFds = "1")
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LISTEN_FDS"), listenFds);
    service.setProcessEnvironment(environment);
    service.setChildProcessModifier([socket] {
        // Only calls that are safe between fork and exec.
        if (socket == SocketActivation::kFirstDescriptor)
            ::fcntl(socket, F_SETFD, 0);
        else
            ::dup2(socket, SocketActivation::kFirstDescriptor);
    });
    const QString script = "LISTEN_PID=" + listenPid + R"( exec "$0" "$@")";
    service.start(QStringLiteral("/bin/sh"),
                  QStringList{QStringLiteral("-c"), script, QStringLiteral(TICKERLOOM_SERVICE_BINARY)} + arguments);
}

// The service's "Listening on ..." line, or an empty one when none came in 30 s.
QString listeningLine(QProcess &service)
{
    for (QDeadlineTimer deadline(30000); !deadline.hasExpired() && !service.canReadLine();)
        service.waitForReadyRead(100);
    return QString::fromLocal8Bit(service.readLine()).trimmed();
}

// Stops a service process that is still running.
void stop(QProcess &service)
{
    if (service.state() == QProcess::NotRunning)
        return;
    service.terminate();
    if (!service.waitForFinished(10000))
        service.kill();
    service.waitForFinished(10000);
}

} // namespace

class tst_Service : public QObject
{
    Q_OBJECT

private slots:
    void bundledCatalogueIsSound()
    {
        const Catalogue catalogue = Catalogue::bundled();
        QVERIFY(catalogue.size() >= 150);
        for (int index = 0; index < catalogue.size(); ++index) {
            const Scrip &scrip = catalogue.at(index);
            QVERIFY2(scrip.code == scrip.code.toUpper() && scrip.code.size() <= 20, qPrintable(scrip.code));
            QVERIFY2(!scrip.name.contains(u','), qPrintable(scrip.name));
            QVERIFY(scrip.referenceCents > 0);
            QCOMPARE(catalogue.indexOf(scrip.code.toLower()), index); // unique, found in any case
        }
        QVERIFY(catalogue.indexOf(u"NOSUCHCODE") == -1 && catalogue.indexOf(u"") == -1);
    }

    void requestsAreRead_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<char>("kind");    // q: quotes, s: search, x: refused with 400
        QTest::addColumn<QString>("what"); // the symbols joined by "|", or the search text
        QTest::addColumn<bool>("firstFetch");
        const auto row = [](const char *query, char kind, const QString &what = {}, bool firstFetch = false) {
            QTest::newRow(*query ? query : "empty") << QString::fromLatin1(query) << kind << what << firstFetch;
        };
        row("scr=,A,B,&tl=1", 'q', "A|B");
        row("scr=A&tl=1&ft=1", 'q', "A", true);
        row("tl=1&ft=1&scr=A", 'q', "A", true);
        row("scr=,,A,,,b,&tl=1", 'q', "A|b");
        row("scr=&tl=1", 'q');
        row("scr=M%26M&tl=1", 'q', "M&M");
        row("scr=A%2CB&tl=1", 'q', "A,B");
        row("&scr=A&&tl=1&", 'q', "A");
        row("scr=%C9T%e9&tl=1", 'q', QString::fromLatin1("\xC9T\xE9"));
        row("scr=%E2%82%AC&tl=1", 'q', QString::fromLatin1("\xE2\x82\xAC")); // each UTF-8 byte one character
        row("src=tata%20mot&tl=1", 's', "tata mot");
        row("src=tata+mot&tl=1", 's', "tata mot");
        row("src=&tl=1", 's');
        row("", 'x');
        row("tl=1", 'x');
        row("scr=A&src=B&tl=1", 'x');
        row("scr=A&tl=1&x=1", 'x');
        row("scr=A&scr=B&tl=1", 'x');
        row("scr=A", 'x');
        row("scr=A&tl=2", 'x');
        row("scr=A&tl=1&ft=0", 'x');
        row("src=abc&tl=1&ft=1", 'x');
        row("scr=A%ZZ&tl=1", 'x');
        row("src=ab%4&tl=1", 'x');
        row("scr=A%&tl=1", 'x');
    }

    void requestsAreRead()
    {
        QFETCH(QString, query);
        QFETCH(char, kind);
        QFETCH(QString, what);
        QFETCH(bool, firstFetch);
        const ServiceRequest request = ServiceRequest::parse(query);
        QCOMPARE(request.kind() == ServiceRequest::Kind::Quotes   ? 'q'
                 : request.kind() == ServiceRequest::Kind::Search ? 's'
                                                                  : 'x',
                 kind);
        if (kind != 'x') {
            QCOMPARE(kind == 'q' ? request.symbols().join(u'|') : request.searchText(), what);
            QCOMPARE(request.firstFetch(), firstFetch);
            return;
        }
        const QHttpServerResponse response = QuoteService(settingsWith()).answer(query);
        QCOMPARE(response.statusCode(), QHttpServerResponse::StatusCode::BadRequest);
        QVERIFY(response.mimeType().startsWith("text/plain"));
        QVERIFY(response.data().size() > 5 && response.data().endsWith("\r\n") && response.data().count('\n') == 1);
    }

    void quotesReadBackThroughTheProgramsParser()
    {
        QuoteService service(settingsWith());
        // Plain decimals without grouping, the change and trend, and on a first fetch open and previous close.
        const QString format = QStringLiteral(R"(^[A-Z0-9&-]+(,\d+\.\d\d){3},\((\+|-)?\d+\.\d\d%\),(UP|DOWN|EVEN))"
                                              R"((,\d+\.\d\d){2},\d+)");
        for (const bool firstFetch : {false, true}) {
            const auto reply = service.answer(quoteQuery(u",tcs,INFY,,NOSUCH,M&M,Infy,MRF,", firstFetch));
            QCOMPARE(reply.statusCode(), QHttpServerResponse::StatusCode::Ok);
            QCOMPARE(reply.mimeType(), QByteArray("text/plain; charset=ISO-8859-1"));
            const QByteArray body = reply.data();
            QCOMPARE(symbolsOf(body, firstFetch), (QStringList{"TCS", "INFY", "M&M", "INFY", "MRF"}));
            for (const QuoteRecord &record : QuoteReply::parse(QString::fromLatin1(body), firstFetch)) {
                QVERIFY(record.Bid > 0 && record.Bid < record.Ltp && record.Ltp < record.Ask);
                QVERIFY(record.Low <= record.Ltp && record.Ltp <= record.High && record.Volume > 0);
                QCOMPARE(record.Open > 0 && record.PrevClose > 0, firstFetch);
                if (!firstFetch)
                    continue;
                QVERIFY(qAbs(record.ChangePct - (record.Ltp - record.PrevClose) * 100 / record.PrevClose) < 0.006);
                const int sign = (record.Ltp > record.PrevClose) - (record.Ltp < record.PrevClose);
                QCOMPARE(record.TrendText, QStringList({"DOWN", "EVEN", "UP"}).at(sign + 1));
            }
            const QRegularExpression line(format + (firstFetch ? R"((,\d+\.\d\d){2}$)" : "$"));
            QVERIFY(body.endsWith("\r\n"));
            for (const QString &text : QString::fromLatin1(body.chopped(2)).split(QStringLiteral("\r\n")))
                QVERIFY2(line.match(text).hasMatch(), qPrintable(text));
        }
        QCOMPARE(ReplyBuilder::changeText(1000000, 1000005), QByteArray("(0.00%)")); // never "-0.00"
    }

    void quoteRepliesNameTheSimulatedMarket()
    {
        QuoteService service(settingsWith());
        const QHttpServerResponse quotes = service.answer(quoteQuery(u",INFY,", true));
        QCOMPARE(quotes.headers(QuoteProtocol::kSourceHeader), QList<QByteArray>{QuoteProtocol::kSimulatedSource});
        QNetworkAccessManager network;
        const quint16 port = service.listen(0);
        const Fetched fetched = get(network, QStringLiteral("http://127.0.0.1:%1/quote?scr=TCS&tl=1").arg(port));
        QCOMPARE(fetched.headers.value("x-quote-source"), QByteArray(QuoteProtocol::kSimulatedSource));
    }

    void quoteLinesLeaveUnknownValuesBlank_data()
    {
        QTest::addColumn<ScripQuote>("quote");
        QTest::addColumn<QByteArray>("line");
        constexpr qint64 blank = ScripQuote::kBlank;
        QTest::newRow("whole") << ScripQuote{10000, 10010, 10005, 9900, 10100, 9800, 9950, 12345}
                               << QByteArray("X,100.00,100.10,100.05,(+0.55%),UP,101.00,98.00,12345,99.00,99.50\r\n");
        QTest::newRow("volume past 32 bits")
            << ScripQuote{100, 101, 100, 100, 100, 100, 100, 5'000'000'000'123LL}
            << QByteArray("X,1.00,1.01,1.00,(0.00%),EVEN,1.00,1.00,5000000000123,1.00,1.00\r\n");
        QTest::newRow("no previous close: no change, no trend")
            << ScripQuote{100, 101, 100, 100, 100, 100, blank, 7}
            << QByteArray("X,1.00,1.01,1.00,,,1.00,1.00,7,1.00,\r\n");
        QTest::newRow("nothing known") << ScripQuote{blank, blank, blank, blank, blank, blank, blank, blank}
                                       << QByteArray("X,,,,,,,,,,\r\n");
    }

    void quoteLinesLeaveUnknownValuesBlank()
    {
        QFETCH(ScripQuote, quote);
        QFETCH(QByteArray, line);
        QCOMPARE(ReplyBuilder::quotes({QByteArrayView("X")}, {quote}, true), line);
    }

    void searchMatchesCodeOrNameInAnyCaseAtMostFifty()
    {
        QuoteService service(settingsWith(200));
        const auto search = [&service](QStringView text) {
            QStringList found;
            const QString body = QString::fromLatin1(service.answer(searchQuery(text)).data());
            for (const SearchResult &result : SearchReply::parse(body))
                found.append(result.code + u'|' + result.companyName);
            return found;
        };
        QStringList expected;
        for (int index = 0; index < service.catalogue().size(); ++index) {
            const Scrip &scrip = service.catalogue().at(index);
            if (scrip.code.contains(u"tata", Qt::CaseInsensitive) || scrip.name.contains(u"tata", Qt::CaseInsensitive))
                expected.append(scrip.code + u'|' + scrip.name);
        }
        QVERIFY(expected.size() >= 5);
        QCOMPARE(search(u"tAtA"), expected);
        QCOMPARE(search(u"infy"), QStringList{"INFY|Infosys Ltd"});
        QCOMPARE(search(u"larsen & toubro"), QStringList{"LT|Larsen & Toubro Ltd"});
        QVERIFY(search(u"no such company").isEmpty());
        const QStringList synthetic = search(u"synthetic");
        QCOMPARE(synthetic.size(), 50);
        QVERIFY(synthetic.first().startsWith(u"SYN00001|") && synthetic.last().startsWith(u"SYN00050|"));
    }

    void randomWalkKeepsItsPromises()
    {
        Catalogue catalogue = Catalogue::bundled();
        catalogue.addSynthetic(50, 9);
        Market market(catalogue, 9), untouched(catalogue, 9), other(catalogue, 10);
        double rises = 0, falls = 0, unchanged = 0, differences = 0;
        for (int index = 0; index < catalogue.size(); ++index) {
            ScripQuote was = quoteAt(market, index, 0);
            for (qint64 ms = 5000; ms <= 1800000; ms += 5000) { // a refresh every 5 s for half an hour
                const ScripQuote now = quoteAt(market, index, ms);
                QVERIFY(0 < now.bidCents && now.bidCents < now.lastCents && now.lastCents < now.askCents);
                QVERIFY(now.lowCents <= now.lastCents && now.lastCents <= now.highCents);
                QVERIFY(now.highCents >= was.highCents && now.lowCents <= was.lowCents && now.volume >= was.volume);
                QVERIFY(now.openCents == was.openCents && now.prevCloseCents == was.prevCloseCents);
                QCOMPARE(now.lastCents % 5, 0); // ticks of 0.05
                (now.lastCents > was.lastCents ? rises : now.lastCents < was.lastCents ? falls : unchanged) += 1;
                was = now;
            }
            // Asked often or only at the end, the same seed walks the same way.
            const ScripQuote once = quoteAt(untouched, index, 1800000);
            QVERIFY(once.lastCents == was.lastCents && once.bidCents == was.bidCents && once.askCents == was.askCents);
            QVERIFY(once.highCents == was.highCents && once.lowCents == was.lowCents && once.volume == was.volume);
            differences += quoteAt(other, index, 1800000).lastCents != was.lastCents;
        }
        const double total = rises + falls + unchanged;
        QVERIFY(rises / total > 0.15 && falls / total > 0.15 && unchanged / total > 0.35);
        QVERIFY(differences > catalogue.size() / 2);
    }

    void httpAdvertEveryNthWellFormedRequest()
    {
        QuoteService service(settingsWith(0, 3, QStringLiteral("tickerloom.example")));
        QVERIFY(service.listen(0) != 0);
        QNetworkAccessManager manager;
        const QString url = QuoteRequest::url(service.baseAddress(), u"INFY", false);
        QVERIFY(!get(manager, url).headers.contains("pics-label"));
        const Fetched malformed = get(manager, service.baseAddress() + QStringLiteral("?scr=INFY&tl=2"));
        QVERIFY(malformed.status == 400 && malformed.body == "tl must be 1\r\n"); // not counted
        QVERIFY(get(manager, SearchRequest::url(service.baseAddress(), u"infy")).body.startsWith("INFY,"));

        const Fetched advert = get(manager, url);
        QCOMPARE(advert.status, 200);
        QCOMPARE(advert.headers.value("content-type"), QByteArray("image/jpeg"));
        QCOMPARE(advert.headers.value("pics-label"), QByteArray("PICADS tickerloom.example"));
        QCOMPARE(advert.headers.value("content-length"), QByteArray::number(advert.body.size()));
        QVERIFY(advert.body.startsWith("\xFF\xD8\xFF") && advert.body.endsWith("\xFF\xD9"));
        QCOMPARE(QImage::fromData(advert.body, "JPG").size(), QSize(350, 350));
        QVERIFY(get(manager, url).body.startsWith("INFY,")); // the repeated request gets its data
    }

    void httpQuotesAndSearchWithTheirLengths()
    {
        QuoteService service(settingsWith());
        QVERIFY(service.listen(0) != 0);
        QNetworkAccessManager manager;
        // An empty list or only unknown symbols give an empty body.
        for (const QString list : {",INFY,TCS,", "", ",,,", ",NOSUCH,ZZZZ,"}) {
            const Fetched quotes = get(manager, QuoteRequest::url(service.baseAddress(), list, true));
            QCOMPARE(quotes.status, 200);
            QCOMPARE(quotes.headers.value("content-length"), QByteArray::number(quotes.body.size()));
            if (list.contains(u"INFY"))
                QCOMPARE(symbolsOf(quotes.body, true), (QStringList{"INFY", "TCS"}));
            else
                QVERIFY(quotes.body.isEmpty());
        }
        const Fetched search = get(manager, SearchRequest::url(service.baseAddress(), u"mahindra"));
        QVERIFY(search.body.contains("M&M,Mahindra & Mahindra Ltd\r\n"));
        QCOMPARE(get(manager, service.baseAddress() + QStringLiteral("s?scr=INFY&tl=1")).status, 404);
        QNetworkRequest post(QUrl(QuoteRequest::url(service.baseAddress(), u"INFY", false)));
        post.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/x-www-form-urlencoded"));
        QCOMPARE(collect(manager.post(post, QByteArray())).status, 405);
    }

    void httpAnswersTheLongestRequest()
    {
        QuoteService service(settingsWith(kLongestList));
        QVERIFY(service.listen(0) != 0);
        QNetworkAccessManager manager;
        QString list = QStringLiteral(",");
        for (int index = service.catalogue().size() - kLongestList; index < service.catalogue().size(); ++index)
            list += service.catalogue().at(index).code.toLower() + u',';
        const Fetched known = get(manager, QuoteRequest::url(service.baseAddress(), list, true));
        QCOMPARE(known.status, 200);
        const QStringList symbols = symbolsOf(known.body, true);
        QCOMPARE(symbols.size(), kLongestList);
        QVERIFY(symbols.first() == u"SYN00001" && symbols.last() == u"SYN32765");

        // The longest symbols the program accepts: 20 characters each, about 700 KB of URL.
        QString longest = QStringLiteral(",");
        for (int number = 1; number <= kLongestList; ++number)
            longest += QStringLiteral("LONGSYMBOL%1,").arg(number, 10, 10, QLatin1Char('0'));
        const QString url = QuoteRequest::url(service.baseAddress(), longest, false);
        QVERIFY(url.size() > 680000);
        const Fetched unknown = get(manager, url);
        QCOMPARE(unknown.status, 200);
        QVERIFY(unknown.body.isEmpty());
    }

    void httpServesSeveralClientsAtOnce()
    {
        QuoteService service(settingsWith(500));
        QVERIFY(service.listen(0) != 0);
        QNetworkAccessManager managers[4];
        QList<QNetworkReply *> replies;
        for (int request = 0; request < 12; ++request)
            replies.append(managers[request % 4].get(
                QNetworkRequest(QUrl(QuoteRequest::url(service.baseAddress(), u"INFY,TCS,SYN00400", request < 4)))));
        for (QNetworkReply *reply : replies) {
            const Fetched fetched = collect(reply);
            QVERIFY(fetched.status == 200 && fetched.body.count("\r\n") == 3);
        }
    }

    void quoteRepliesKeepTheirBytes()
    {
        // Figures of the service before its replies were built on several
        // threads: the same seed and times must give the same bytes, over
        // HTTP and directly, through the market's catch-up of a long pause.
        QuoteService service(settingsWith(1000));
        QVERIFY(service.listen(0) != 0);
        QStringList symbols;
        for (int i = 0; i < service.catalogue().size(); ++i) {
            const QString code = service.catalogue().at(i).code;
            symbols << (i % 3 == 0 ? code.toLower() : code);
            if (i % 97 == 0)
                symbols << QStringLiteral("NOSUCH%1").arg(i);
            if (i % 50 == 0)
                symbols << service.catalogue().at(i / 2).code;
        }
        const QString list = u',' + symbols.join(u',') + u',';
        struct Moment
        {
            qint64 ms;
            bool firstFetch;
            qsizetype size;
            const char *sha1;
        };
        const Moment moments[] = {{0, true, 105554, "91989f17411993fa2021c744e44fa006ae7e44a7"},
                                  {5000, false, 85962, "c14ec795b07f2691adc6c6d873cdeda2d044a726"},
                                  {65000, false, 86213, "b38da3116cc8e5ed81e1444612bec91a4d0678ed"},
                                  {7200000, true, 107346, "08e558ba9e5e3fc8d5a5423b0a14eebe9b770548"},
                                  {7205000, false, 87721, "7a1c749257a94739214f71de41c94c88eb777b59"}};
        QNetworkAccessManager manager;
        for (const Moment &moment : moments) {
            service.setMarketTime(moment.ms);
            const Fetched fetched = get(manager, QuoteRequest::url(service.baseAddress(), list, moment.firstFetch));
            QCOMPARE(fetched.body.size(), moment.size);
            QCOMPARE(sha1(fetched.body), QByteArray(moment.sha1));
            QCOMPARE(sha1(service.answer(quoteQuery(list, moment.firstFetch)).data()), QByteArray(moment.sha1));
        }
    }

    void httpAnswersManyClientsAtOnceExactly()
    {
        QuoteService service(settingsWith(3000));
        QVERIFY(service.listen(0) != 0);
        service.setMarketTime(65000);
        QNetworkAccessManager managers[4]; // up to six connections each
        std::vector<std::pair<QNetworkReply *, QString>> asked;
        for (int client = 0; client < 16; ++client) {
            QString list = QStringLiteral(",");
            for (int i = client * 100; i < client * 100 + 1500; ++i)
                list += (i % 2 ? service.catalogue().at(i).code : service.catalogue().at(i).code.toLower()) + u',';
            const QString url = QuoteRequest::url(service.baseAddress(), list, client % 3 == 0);
            asked.emplace_back(managers[client % 4].get(QNetworkRequest(QUrl(url))), queryOf(url));
        }
        for (const auto &[reply, query] : asked) {
            const Fetched fetched = collect(reply);
            QCOMPARE(fetched.status, 200);
            QCOMPARE(fetched.body.count('\n'), 1500);
            QCOMPARE(fetched.body, service.answer(query).data());
        }
    }

    void marketAnswersThreadsAsIfOneAfterTheOther()
    {
        Catalogue catalogue = Catalogue::bundled();
        catalogue.addSynthetic(2000, 3);
        std::vector<int> all(size_t(catalogue.size()));
        std::iota(all.begin(), all.end(), 0);
        Market shared(catalogue, 3);
        constexpr int kThreads = 4, kCalls = 10;
        std::atomic<int> ticks{0};
        std::vector<std::vector<ScripQuote>> byTick(kThreads * kCalls + 1);
        std::vector<std::unique_ptr<QThread>> threads;
        for (int thread = 0; thread < kThreads; ++thread) {
            threads.emplace_back(QThread::create([&] {
                for (int call = 0; call < kCalls; ++call) {
                    int tick = 0;
                    auto quotes = shared.quotes(all, [&] { return qint64(tick = ++ticks) * 7000; });
                    byTick[size_t(tick)] = std::move(quotes);
                }
            }));
            threads.back()->start();
        }
        for (const auto &thread : threads)
            QVERIFY(thread->wait(60000));
        Market alone(catalogue, 3);
        for (int tick = 1; tick <= kThreads * kCalls; ++tick)
            QVERIFY2(alone.quotes(all, [tick] { return qint64(tick) * 7000; }) == byTick[size_t(tick)],
                     qPrintable(QString::number(tick)));
    }

    void codesAreFoundInAnyCase_data()
    {
        QTest::addColumn<QString>("symbol");
        QTest::addColumn<int>("hint"); // where to look first
        QTest::addColumn<int>("index");
        QTest::newRow("lower case") << "infy" << -1 << 0;
        QTest::newRow("at the hint") << "Tcs" << 3 << 3;
        QTest::newRow("wrong hint") << "TCS" << 0 << 3;
        QTest::newRow("hint past the end") << "tcs" << 4 << 3;
        QTest::newRow("beyond ASCII") << QStringLiteral(u"été") << 1 << 1;
        QTest::newRow("accent missing") << "ete" << 1 << -1;
        QTest::newRow("upper case longer") << QStringLiteral(u"maß") << 2 << 2; // "MASS"
        QTest::newRow("unknown") << "NOSUCH" << 0 << -1;
        QTest::newRow("empty") << "" << 0 << -1;
    }

    void codesAreFoundInAnyCase()
    {
        QFETCH(QString, symbol);
        QFETCH(int, hint);
        QFETCH(int, index);
        QByteArray csv = QStringLiteral(u"code,name,price\nINFY,Infosys,1500\nÉté,Summer Ltd,10\nMASS,Mass Ltd,20\n"
                                        u"TCS,Tata,3000\n")
                             .toUtf8();
        QBuffer file(&csv);
        QVERIFY(file.open(QIODevice::ReadOnly));
        Catalogue catalogue;
        QString error;
        QVERIFY2(catalogue.load(file, &error), qPrintable(error));
        QCOMPARE(catalogue.indexOf(symbol, hint), index);
        QCOMPARE(catalogue.indexOf(symbol), index);
    }

    void requestLimits_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<int>("symbols"); // -1: refused as too long
        const QString longest = QStringLiteral("A,").repeated(kLongestList);
        QTest::newRow("longest list") << "scr=," + longest + "&tl=1" << int(kLongestList);
        QTest::newRow("one symbol more") << "scr=" + longest + "B&tl=1" << -1;
        QTest::newRow("empty entries do not count") << "scr=" + longest + ",,,&tl=1" << int(kLongestList);
        const QString fill = QString(ServiceRequest::kMaxQueryLength - 9, u'a');
        QTest::newRow("longest query") << "src=" + fill + "&tl=1" << 0;
        QTest::newRow("query one longer") << "src=" + fill + "a&tl=1" << -1;
    }

    void requestLimits()
    {
        QFETCH(QString, query);
        QFETCH(int, symbols);
        const ServiceRequest request = ServiceRequest::parse(query);
        QCOMPARE(request.kind() == ServiceRequest::Kind::TooLong, symbols < 0);
        QCOMPARE(request.symbolCount(), qMax(symbols, 0));
        const QHttpServerResponse response = QuoteService(settingsWith()).answer(query);
        QCOMPARE(response.statusCode() == QHttpServerResponse::StatusCode::UriTooLong, symbols < 0);
        if (symbols < 0)
            QVERIFY(response.data().endsWith("\r\n") && response.data().count('\n') == 1);
    }

    void httpRefusesOrCutsOffWhatIsTooLong_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("status"); // 0: closed without a reply
        const QByteArray list = QByteArray("A,").repeated(kLongestList);
        QTest::newRow("longest list") << getRequest("/quote?scr=" + list + "&tl=1") << 200;
        QTest::newRow("list too long") << getRequest("/quote?scr=" + list + "B&tl=1") << 414;
        QTest::newRow("query too long") << getRequest("/quote?src=" + QByteArray(1100000, 'a') + "&tl=1") << 414;
        QTest::newRow("long header") << getRequest("/quote?scr=A&tl=1", "X-Fill: " + QByteArray(1500000, 'x') + "\r\n")
                                     << 200;
        QTest::newRow("endless request line") << "GET /quote?scr=" + QByteArray(3000000, 'A') << 0;
        QTest::newRow("endless header") << "GET /quote?scr=A&tl=1 HTTP/1.1\r\nX-Fill: " + QByteArray(3000000, 'x') << 0;
    }

    void httpRefusesOrCutsOffWhatIsTooLong()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, status);
        QuoteService service(settingsWith());
        const quint16 port = service.listen(0);
        const RawReply reply = exchange(port, bytes);
        QCOMPARE(reply.status, status);
        QCOMPARE(reply.closed, status == 0);
        if (status == 414)
            QVERIFY(reply.body.endsWith("\r\n") && reply.body.count('\n') == 1);
    }

    void httpTakesAStrayPercentLiterally_data()
    {
        // Qt's HTTP server reads "%ZZ" in a request as "%25ZZ" before the service sees it.
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<QByteArray>("body");
        QTest::newRow("search") << QByteArray("/quote?src=ta%ZZ&tl=1") << QByteArray();
        QTest::newRow("list") << QByteArray("/quote?scr=INFY%ZZ,TCS&tl=1") << QByteArray("TCS,");
        QTest::newRow("at the end") << QByteArray("/quote?scr=INFY,TCS%&tl=1") << QByteArray("INFY,");
        // One stray "%" makes every "%" of the request literal, "%26" too.
        QTest::newRow("every escape") << QByteArray("/quote?scr=M%26M,%ZZ,TCS&tl=1") << QByteArray("TCS,");
        QTest::newRow("escape alone") << QByteArray("/quote?scr=M%26M&tl=1") << QByteArray("M&M,");
    }

    void httpTakesAStrayPercentLiterally()
    {
        QFETCH(QByteArray, target);
        QFETCH(QByteArray, body);
        QuoteService service(settingsWith());
        const RawReply reply = exchange(service.listen(0), getRequest(target));
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.body.left(body.size()), body);
        QCOMPARE(reply.body.count('\n'), body.isEmpty() ? 0 : 1);
    }

    void httpClosesIdleConnections()
    {
        ServiceSettings settings = settingsWith();
        settings.idleTimeoutMs = 300;
        QuoteService service(settings);
        const quint16 port = service.listen(0);
        std::vector<std::unique_ptr<QTcpSocket>> idle;
        int closed = 0;
        for (int i = 0; i < 200; ++i) {
            idle.push_back(std::make_unique<QTcpSocket>());
            connect(idle.back().get(), &QTcpSocket::disconnected, [&closed] { ++closed; });
            idle.back()->connectToHost(QStringLiteral("127.0.0.1"), port);
        }
        // Half a request, then silence: the connection goes one idle time later.
        idle.front()->write("GET /quote?scr=INFY&tl=1 HTTP/1.1\r\n");
        // A client that keeps asking keeps its connection well past the time-out.
        QTcpSocket busy;
        busy.connectToHost(QStringLiteral("127.0.0.1"), port);
        QByteArray answers;
        connect(&busy, &QTcpSocket::readyRead, [&] { answers += busy.readAll(); });
        for (int request = 0; request < 10; ++request) {
            busy.write(getRequest("/quote?scr=INFY&tl=1"));
            QTest::qWait(100);
        }
        QTRY_COMPARE_WITH_TIMEOUT(closed, 200, 10000);
        QCOMPARE(busy.state(), QAbstractSocket::ConnectedState);
        QTRY_COMPARE_WITH_TIMEOUT(answers.count("HTTP/1.1 200"), 10, 5000);
    }

    void handedSocketIsTakenOnlyWhenMeantForThisProcess_data()
    {
        QTest::addColumn<QByteArray>("listenPid"); // "self": this process
        QTest::addColumn<QByteArray>("listenFds"); // empty: not set
        QTest::addColumn<int>("descriptor");
        QTest::newRow("one socket for this process") << QByteArray("self") << QByteArray("1") << 3;
        QTest::newRow("two sockets: the first") << QByteArray("self") << QByteArray("2") << 3;
        QTest::newRow("for another process") << QByteArray("1") << QByteArray("1") << -1;
        QTest::newRow("no process named") << QByteArray() << QByteArray("1") << -1;
        QTest::newRow("no sockets") << QByteArray("self") << QByteArray("0") << -1;
        QTest::newRow("count not given") << QByteArray("self") << QByteArray() << -1;
        QTest::newRow("count not a number") << QByteArray("self") << QByteArray("x") << -1;
    }

    void handedSocketIsTakenOnlyWhenMeantForThisProcess()
    {
        QFETCH(QByteArray, listenPid);
        QFETCH(QByteArray, listenFds);
        QFETCH(int, descriptor);
        const auto setOrUnset = [](const char *name, const QByteArray &value) {
            value.isEmpty() ? qunsetenv(name) : qputenv(name, value);
        };
        setOrUnset("LISTEN_PID", listenPid == "self" ? QByteArray::number(::getpid()) : listenPid);
        setOrUnset("LISTEN_FDS", listenFds);
        qputenv("LISTEN_FDNAMES", "tickerloom-service.socket");
        QCOMPARE(SocketActivation::takeListeningSocket(), descriptor);
        // Gone either way: nothing this process starts takes them for its own.
        for (const char *name : {"LISTEN_PID", "LISTEN_FDS", "LISTEN_FDNAMES"})
            QVERIFY2(!qEnvironmentVariableIsSet(name), name);
    }

    void handedSocketAnswersTheFirstRequest()
    {
        quint16 port = 0;
        const int socket = listeningSocket(&port);
        QVERIFY(socket >= 0);
        QProcess service;
        startHanded(service, socket, {QStringLiteral("--seed"), QStringLiteral("3")});
        QVERIFY(service.waitForStarted(10000));
        ::close(socket); // the service holds it now
        // Asked before it is ready, as the connection that makes systemd start it.
        const RawReply reply = exchange(port, getRequest("/quote?scr=,INFY,TCS,&tl=1&ft=1"));
        QCOMPARE(reply.status, 200);
        QCOMPARE(symbolsOf(reply.body, true), (QStringList{"INFY", "TCS"}));
        const QString listening = listeningLine(service);
        QVERIFY2(
            listening.startsWith(
                QStringLiteral("Listening on http://127.0.0.1:%1/quote, the socket handed over (seed 3").arg(port)),
            qPrintable(listening));
        stop(service);
        QCOMPARE(service.exitStatus(), QProcess::NormalExit);
        QCOMPARE(service.exitCode(), 0);
    }

    void socketForAnotherProcessIsLeftAlone()
    {
        quint16 handedPort = 0;
        const int socket = listeningSocket(&handedPort);
        QVERIFY(socket >= 0);
        QProcess service;
        startHanded(service, socket, {QStringLiteral("--port"), QStringLiteral("0")}, QStringLiteral("1"));
        QVERIFY(service.waitForStarted(10000));
        ::close(socket);
        const QRegularExpressionMatch listening =
            QRegularExpression(QStringLiteral("^Listening on http://127.0.0.1:(\\d+)/quote \\(seed"))
                .match(listeningLine(service));
        QVERIFY(listening.hasMatch());
        const quint16 port = quint16(listening.captured(1).toUInt());
        QVERIFY(port != handedPort);
        QCOMPARE(exchange(port, getRequest("/quote?scr=INFY&tl=1")).status, 200);
        stop(service);
    }

    void handedSocketServiceStopsWhenIdleAndTheSocketStays()
    {
        quint16 port = 0;
        const int socket = listeningSocket(&port); // kept open here, as systemd keeps it
        QVERIFY(socket >= 0);
        QProcess first;
        startHanded(first, socket, {QStringLiteral("--stop-after-idle"), QStringLiteral("1")});
        QVERIFY(listeningLine(first).contains(u"handed over"));
        // Asked every 400 ms for 1.6 s: longer than the idle time, and still running.
        QElapsedTimer sinceAsked;
        for (int request = 0; request < 4; ++request) {
            QCOMPARE(exchange(port, getRequest("/quote?scr=INFY&tl=1")).status, 200);
            sinceAsked.start();
            QTest::qWait(400);
        }
        QCOMPARE(first.state(), QProcess::Running);
        QVERIFY(first.waitForFinished(10000));
        QVERIFY2(sinceAsked.elapsed() >= 900, qPrintable(QString::number(sinceAsked.elapsed())));
        // About the idle time after the last request: a check that waited a
        // whole idle time again would stop it some 1.8 s after it.
        QVERIFY2(sinceAsked.elapsed() < 1500, qPrintable(QString::number(sinceAsked.elapsed())));
        QVERIFY(first.exitStatus() == QProcess::NormalExit && first.exitCode() == 0);

        // A request while no service runs waits in the socket's queue; the
        // next service started on the socket answers it.
        QTcpSocket waiting;
        waiting.connectToHost(QStringLiteral("127.0.0.1"), port);
        waiting.write(getRequest("/quote?scr=TCS&tl=1"));
        QProcess second;
        startHanded(second, socket, {});
        QByteArray received;
        const RawReply reply = nextReply(waiting, received);
        ::close(socket);
        QCOMPARE(reply.status, 200);
        QCOMPARE(symbolsOf(reply.body, false), QStringList{"TCS"});
        stop(second);
    }

    void startsQuietlyWithoutADesktopSession_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("quotes") << QStringList();
        QTest::newRow("with advertisements") << QStringList{"--ad-every", "2"};
    }

    void startsQuietlyWithoutADesktopSession()
    {
        QFETCH(QStringList, arguments);
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        for (const char *name : {"XDG_RUNTIME_DIR", "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"})
            environment.remove(QString::fromLatin1(name));
        QProcess service;
        service.setProcessEnvironment(environment);
        service.start(QStringLiteral(TICKERLOOM_SERVICE_BINARY), QStringList{"--port", "0"} + arguments);
        QVERIFY(listeningLine(service).startsWith(u"Listening on"));
        stop(service);
        QCOMPARE(service.readAllStandardError(), QByteArray());
    }

    void httpKeepsASlowButActiveRequest()
    {
        ServiceSettings settings = settingsWith();
        settings.idleTimeoutMs = 400;
        QuoteService service(settings);
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), service.listen(0));
        const QByteArray request = getRequest("/quote?scr=,INFY,TCS,&tl=1", "X-Fill: " + QByteArray(100, 'x') + "\r\n");
        // In ten pieces 100 ms apart: a second for one request, more than two
        // idle times, with room for a loaded machine between the pieces.
        constexpr int kPieces = 10;
        for (int piece = 0; piece < kPieces; ++piece) {
            const qsizetype from = request.size() * piece / kPieces;
            socket.write(request.mid(from, request.size() * (piece + 1) / kPieces - from));
            QTest::qWait(100);
        }
        QByteArray received;
        const RawReply reply = nextReply(socket, received);
        QCOMPARE(reply.status, 200);
        QCOMPARE(symbolsOf(reply.body, false), (QStringList{"INFY", "TCS"}));
        QCOMPARE(socket.state(), QAbstractSocket::ConnectedState);
    }

    void httpKeepsASlowReaderOfALongReply()
    {
        LongReplyReader reader;
        QVERIFY(reader.ask());
        QTcpSocket &socket = reader.socket;
        const ServiceSettings &settings = reader.settings;
        // Read 16 KiB every 20 ms: the reply of some 3.5 MB trickles out of
        // the service for seconds, much of it waiting in the system's send
        // queue, with nothing left in the service to write, for several idle times.
        QElapsedTimer took;
        took.start();
        QByteArray received;
        RawReply reply;
        const auto ended = [&socket] {
            return socket.state() == QAbstractSocket::UnconnectedState && socket.bytesAvailable() == 0;
        };
        for (QDeadlineTimer deadline(60000); !deadline.hasExpired() && reply.status == 0 && !ended();
             QTest::qWait(20)) {
            received += socket.read(16 * 1024);
            reply = takeReply(received);
        }
        QCOMPARE(reply.status, 200);
        QCOMPARE(reply.body.count('\n'), kLongestList);
        QVERIFY2(took.elapsed() > 3 * settings.idleTimeoutMs, qPrintable(QString::number(took.elapsed())));
        // A cut connection still hands over what the system had queued, so
        // only asking again shows that it was kept.
        socket.write(getRequest("/quote?scr=,INFY,&tl=1"));
        reply = nextReply(socket, received);
        QCOMPARE(reply.status, 200);
        QCOMPARE(symbolsOf(reply.body, false), QStringList{"INFY"});
    }

    void httpCutsOffAReaderThatStopsReadingALongReply()
    {
        LongReplyReader reader;
        QVERIFY(reader.ask());
        QTcpSocket &socket = reader.socket;
        const ServiceSettings &settings = reader.settings;
        // Once the reply has begun (a slow build may take long to work it
        // out), takes nothing for ten idle times, as a client that hangs would.
        QTRY_VERIFY_WITH_TIMEOUT(socket.bytesAvailable() > 0, 30000);
        QTest::qWait(10 * settings.idleTimeoutMs);
        // What the system had queued still comes, then the connection ends:
        // a request sent on it once the reply is in is never answered.
        QByteArray received;
        int replies = 0;
        bool askedAgain = false;
        for (QDeadlineTimer deadline(30000); !deadline.hasExpired() && replies < 2; QTest::qWait(5)) {
            received += socket.readAll();
            while (takeReply(received).status != 0)
                ++replies;
            if (socket.state() == QAbstractSocket::UnconnectedState && socket.bytesAvailable() == 0)
                break;
            if (replies == 1 && !askedAgain) {
                socket.write(getRequest("/quote?scr=,INFY,&tl=1"));
                askedAgain = true;
            }
        }
        QVERIFY2(replies < 2, "the connection was kept");
        QCOMPARE(socket.state(), QAbstractSocket::UnconnectedState);
    }

    void httpKeepsAConnectionPastTwoMiBOfRequests_data()
    {
        QTest::addColumn<bool>("pipelined"); // all requests sent at once
        QTest::newRow("one after the other") << false;
        QTest::newRow("pipelined") << true;
    }

    void httpKeepsAConnectionPastTwoMiBOfRequests()
    {
        QFETCH(bool, pipelined);
        QuoteService service(settingsWith());
        QString longest = QStringLiteral(",");
        for (int number = 1; number <= kLongestList; ++number)
            longest += QStringLiteral("LONGSYMBOL%1,").arg(number, 10, 10, QLatin1Char('0'));
        const QByteArray request = getRequest(queryTarget(longest, false));
        constexpr int kRequests = 4;
        QVERIFY(request.size() * kRequests > 2.5 * 1024 * 1024);
        QTcpSocket socket;
        socket.connectToHost(QStringLiteral("127.0.0.1"), service.listen(0));
        QByteArray received;
        for (int sent = 0, answered = 0; answered < kRequests; ++answered) {
            while (sent < kRequests && (pipelined || sent == answered))
                socket.write(request), ++sent;
            const RawReply reply = nextReply(socket, received);
            QVERIFY2(reply.status == 200 && reply.body.isEmpty(), qPrintable(QString::number(answered)));
        }
        QCOMPARE(socket.state(), QAbstractSocket::ConnectedState);
    }

    void versionIsPrinted()
    {
        QProcess service;
        service.start(QStringLiteral(TICKERLOOM_SERVICE_BINARY), {QStringLiteral("--version")});
        QVERIFY(service.waitForFinished(30000));
        QCOMPARE(service.exitCode(), 0);
        QCOMPARE(service.readAllStandardOutput(), QByteArray("tickerloom-service " TICKERLOOM_VERSION "\n"));
    }

    void options_data()
    {
        QTest::addColumn<QString>("arguments");
        QTest::addColumn<QString>("settings"); // port seed synthetic ad-every ad-link; empty: refused
        QTest::newRow("defaults") << "--seed 1"
                                  << "8425 1 0 0 example.com";
        QTest::newRow("all") << "--port 0 --seed 42 --synthetic 100 --ad-every 5 --ad-link ads.example"
                             << "0 42 100 5 ads.example";
        QTest::newRow("port not a number") << "--port http"
                                           << "";
        QTest::newRow("port too big") << "--port 70000"
                                      << "";
        QTest::newRow("negative seed") << "--seed -1"
                                       << "";
        QTest::newRow("too many synthetic") << "--synthetic 99999999"
                                            << "";
        QTest::newRow("link with line break") << "--ad-link a\r\nX-Evil:1"
                                              << "";
        QTest::newRow("stray argument") << "8425"
                                        << "";
        QTest::newRow("provider") << "--seed 1 --source alpaca --feed sip --provider-url http://127.0.0.1:9"
                                  << "8425 1 0 0 example.com";
        QTest::newRow("unknown source") << "--source yahoo"
                                        << "";
        QTest::newRow("unknown feed") << "--feed otc"
                                      << "";
        QTest::newRow("provider address with a query") << "--provider-url http://127.0.0.1:9/?key=x"
                                                       << "";
        QTest::newRow("assets address not http") << "--assets-url file:///etc/passwd"
                                                 << "";
    }

    void options()
    {
        QFETCH(QString, arguments);
        QFETCH(QString, settings);
        ServiceOptions options;
        QCOMPARE(options.parse(QStringList{"tickerloom-service"} + arguments.split(u' ')), !settings.isEmpty());
        QCOMPARE(options.error().isEmpty(), !settings.isEmpty());
        const ServiceSettings &read = options.settings();
        QVERIFY(settings.isEmpty() || settings == QStringLiteral("%1 %2 %3 %4 %5")
                                                      .arg(read.port)
                                                      .arg(read.seed)
                                                      .arg(read.synthetic)
                                                      .arg(read.adEvery)
                                                      .arg(read.adLink));
    }

    void signalWatcherTurnsSigtermIntoASignal()
    {
        SignalWatcher watcher({SIGTERM});
        QVERIFY(watcher.isValid());
        QSignalSpy signalled(&watcher, &SignalWatcher::signalled);
        std::raise(SIGTERM);
        QVERIFY(signalled.wait(5000) && signalled.first().at(0).toInt() == SIGTERM);
    }
};

QTEST_MAIN(tst_Service)
#include "tst_service.moc"
