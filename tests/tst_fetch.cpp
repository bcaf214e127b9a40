// The one HTTP GET that every request goes through: what is sent, how a reply
// is read into text or nothing, the advertisement detour with its windows and
// "ad.jpg", the deadline and body cap, and Unscramble with the service address.
#include "support/FakeHttpServer.h"
#include "support/TestHelpers.h"
#include "web/FetchUrl.h"
#include "web/HttpOutcome.h"
#include "web/ServiceAddress.h"
#include "web/Unscramble.h"
#include "web/frmData.h"
#include "web/frmTip.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QLabel>
#include <QPointer>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>
#include <stdexcept>

using TestHelpers::readFile;
using TestHelpers::writeFile;

namespace {

const QByteArray kUserAgentLine =
    "User-Agent: Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 6.0; SLCC1; .NET CLR 2.0.50727; .NET CLR 3.0.04506)";
const QByteArray kContentTypeLine = "Content-Type: application/x-www-form-urlencoded";

// A real JPEG of that size; a busy pattern makes a larger picture a larger file.
QByteArray jpeg(const QSize &size, const QColor &color)
{
    QImage image(size, QImage::Format_RGB32);
    image.fill(color);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            if ((x * 7 + y * 13) % 5 == 0)
                image.setPixel(x, y, qRgb((x * 31) & 0xFF, (y * 17) & 0xFF, ((x ^ y) * 5) & 0xFF));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return buffer.data();
}

// An advertisement reply: the picture as body, the marker header with the link.
QByteArray advert(const QByteArray &picture, const QByteArray &labelValue = "PICADS example.com")
{
    return FakeHttpServer::ok(picture, "PICS-Label: " + labelValue + "\r\n");
}

QList<frmTip *> openTips()
{
    QList<frmTip *> tips;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *tip = qobject_cast<frmTip *>(widget); tip && tip->isVisible())
            tips.append(tip);
    return tips;
}

frmTip *tipWithLink(const QString &link)
{
    for (frmTip *tip : openTips())
        if (tip->StrLink == link)
            return tip;
    return nullptr;
}

// A port on 127.0.0.1 that nobody listens on any more.
quint16 closedPort()
{
    QTcpServer server;
    server.listen(QHostAddress::LocalHost, 0);
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

// What one advertisement handler call saw.
struct ShownAdvert
{
    QString path;
    QString link;
    QByteArray fileBytes; // "ad.jpg" as it was when the handler ran
};

// The offscreen platform cannot raise windows and says so on every show; that
// note says nothing about the program.
QtMessageHandler g_previousHandler = nullptr;

void withoutRaiseNotes(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message == u"This plugin does not support raise()")
        return;
    g_previousHandler(type, context, message);
}

QString scramble(const QString &text, qint16 key)
{
    QString result;
    for (QChar c : text)
        result += QChar(char16_t(c.unicode() + (key - 1)));
    return result;
}

} // namespace

class FetchTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void requestCarriesTheTargetAndTheTwoHeaders_data();
    void requestCarriesTheTargetAndTheTwoHeaders();
    void statusAndHeaderTextDecideWhetherThereIsData_data();
    void statusAndHeaderTextDecideWhetherThereIsData();
    void repliesWithoutLengthAreReadToTheEndAndAreNeverAdvertisements_data();
    void repliesWithoutLengthAreReadToTheEndAndAreNeverAdvertisements();
    void bytesArriveAsLatin1Characters_data();
    void bytesArriveAsLatin1Characters();
    void failedTransfersGiveNothing_data();
    void failedTransfersGiveNothing();
    void bodyCutShortOfItsLengthGivesNothing_data();
    void bodyCutShortOfItsLengthGivesNothing();
    void stalledOrTricklingRepliesEndByTheDeadline_data();
    void stalledOrTricklingRepliesEndByTheDeadline();
    void bodiesBeyondTheCapGiveNothing_data();
    void bodiesBeyondTheCapGiveNothing();
    void windowEventsAreHandledDuringTheWait();
    void nestedFetchFromAnEventHandlerGetsItsOwnReply();

    void advertisementMarkerAndLink_data();
    void advertisementMarkerAndLink();
    void eachAdvertisementIsSavedAsAdJpgBeforeItIsShown();
    void advertisementsInARowAreBounded_data();
    void advertisementsInARowAreBounded();
    void advertisementThatCannotBeSavedGivesNothing();
    void advertisementThatCannotBeShownGivesNothing();
    void twoAdvertisementsOpenTwoWindowsAndTheThirdReplyIsReturned();
    void advertisementsWithoutEndGiveNothingAfterThreeWindows();
    void advertisementWithoutAPictureOpensNoWindow();

    void unscrambleLowersEveryCodeByTheLoweredKey_data();
    void unscrambleLowersEveryCodeByTheLoweredKey();
    void unscrambleOfEmptyTextStillLowersTheKey();
    void unscrambleFailures_data();
    void unscrambleFailures();
    void builtInServiceAddressRoundTrips();
    void serviceAddressFromEnvironment_data();
    void serviceAddressFromEnvironment();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previousDir;
};

void FetchTest::initTestCase()
{
    g_previousHandler = qInstallMessageHandler(withoutRaiseNotes);
}

void FetchTest::cleanupTestCase()
{
    qInstallMessageHandler(g_previousHandler);
}

void FetchTest::init()
{
    // A generous bound that only a hung fetch reaches.
    frmData::setDeadlineMs(15000);
    m_previousDir = QDir::currentPath();
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QVERIFY(QDir::setCurrent(m_dir->path()));
}

void FetchTest::cleanup()
{
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (qobject_cast<frmTip *>(widget))
            delete widget;
    QDir::setCurrent(m_previousDir);
    m_dir.reset();
    frmData::setDeadlineMs(frmData::kDefaultDeadlineMs);
}

// ---------------------------------------------------------------- the request

void FetchTest::requestCarriesTheTargetAndTheTwoHeaders_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("quotes") << "/quote?scr=,INFY,TCS,&tl=1&ft=1";
    QTest::newRow("search") << "/quote?src=tata&tl=1";
}

void FetchTest::requestCarriesTheTargetAndTheTwoHeaders()
{
    QFETCH(QString, target);
    FakeHttpServer server;
    server.enqueue(FakeHttpServer::ok("x"));

    QCOMPARE(FetchUrl(server.baseUrl(target)), QStringLiteral("x"));

    QCOMPARE(server.requests().size(), 1);
    const QList<QByteArray> lines = server.requests().first().split('\n');
    QCOMPARE(lines.first(), "GET " + target.toLatin1() + " HTTP/1.1\r");
    QCOMPARE(lines.count(kContentTypeLine + '\r'), 1);
    QCOMPARE(lines.count(kUserAgentLine + '\r'), 1);
    int userAgents = 0;
    for (const QByteArray &line : lines)
        if (line.toLower().startsWith("user-agent:"))
            ++userAgents;
    QCOMPARE(userAgents, 1);
}

// ------------------------------------------------------------- reading replies

void FetchTest::statusAndHeaderTextDecideWhetherThereIsData_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("expected");

    QTest::newRow("200 gives its body") << FakeHttpServer::ok("INFY,1,2\r\n") << "INFY,1,2\r\n";
    QTest::newRow("404 NOT FOUND in capitals with a body")
        << FakeHttpServer::status(404, "NOT FOUND", "<html>missing</html>") << "";
    QTest::newRow("404 Not Found") << FakeHttpServer::status(404, "Not Found", "missing") << "";
    QTest::newRow("404 not found in lower case") << FakeHttpServer::status(404, "not found", "missing") << "";
    QTest::newRow("404 with another reason gives its body")
        << FakeHttpServer::status(404, "Missing", "the page") << "the page";
    QTest::newRow("401 Unauthorized") << FakeHttpServer::status(401, "Unauthorized", "go away") << "";
    QTest::newRow("401 UNAUTHORIZED in capitals") << FakeHttpServer::status(401, "UNAUTHORIZED", "go away") << "";
    QTest::newRow("500 gives its error page")
        << FakeHttpServer::status(500, "Internal Server Error", "<h1>Server Error</h1>") << "<h1>Server Error</h1>";
    QTest::newRow("503 gives its body") << FakeHttpServer::status(503, "Service Unavailable", "busy") << "busy";
    QTest::newRow("a header line saying 404 Not Found")
        << FakeHttpServer::ok("data", "X-Upstream: 404 Not Found\r\n") << "";
    QTest::newRow("a header line saying 401 unauthorized")
        << FakeHttpServer::ok("data", "Warning: 401 unauthorized\r\n") << "";
    QTest::newRow("404 text without the leading blank is data")
        << FakeHttpServer::ok("data", "X-Code: A404 Not Found\r\n") << "data";
    QTest::newRow("404 read to the end without a length")
        << QByteArray("HTTP/1.1 404 Not Found\r\nConnection: close\r\n\r\nmissing") << "";
    QTest::newRow("empty body") << FakeHttpServer::ok("") << "";
}

void FetchTest::statusAndHeaderTextDecideWhetherThereIsData()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, expected);
    FakeHttpServer server;
    server.enqueue(reply);

    QCOMPARE(FetchUrl(server.baseUrl()), expected);
}

void FetchTest::repliesWithoutLengthAreReadToTheEndAndAreNeverAdvertisements_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<QString>("expected");

    QTest::newRow("chunked") << QByteArray("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n"
                                           "PICS-Label: PICADS example.com\r\nConnection: close\r\n\r\n"
                                           "5\r\nINFY,\r\n7\r\n1,2,3\r\n\r\n0\r\n\r\n")
                             << "INFY,1,2,3\r\n";
    QTest::newRow("ended by closing") << QByteArray("HTTP/1.1 200 OK\r\nPICS-Label: PICADS example.com\r\n"
                                                    "Connection: close\r\n\r\nTCS,1\r\nINFY,2\r\n")
                                      << "TCS,1\r\nINFY,2\r\n";
    QTest::newRow("Content-Length of spaces") << QByteArray("HTTP/1.1 200 OK\r\nContent-Length:    \r\n"
                                                            "PICS-Label: PICADS example.com\r\n"
                                                            "Connection: close\r\n\r\nWIPRO,3\r\n")
                                              << "WIPRO,3\r\n";
}

void FetchTest::repliesWithoutLengthAreReadToTheEndAndAreNeverAdvertisements()
{
    QFETCH(QByteArray, reply);
    QFETCH(QString, expected);
    FakeHttpServer server;
    server.enqueue(reply);
    server.enqueue(FakeHttpServer::ok("second request"));

    // Taken for an advertisement, it would have given the second reply.
    QCOMPARE(FetchUrl(server.baseUrl()), expected);
    QVERIFY(openTips().isEmpty());
    QVERIFY(!QFileInfo::exists(QStringLiteral("ad.jpg")));
}

void FetchTest::bytesArriveAsLatin1Characters_data()
{
    QTest::addColumn<bool>("withLength");
    QTest::newRow("with Content-Length") << true;
    QTest::newRow("read to the end") << false;
}

void FetchTest::bytesArriveAsLatin1Characters()
{
    QFETCH(bool, withLength);
    QByteArray body;
    QString expected;
    for (int code = 0; code < 256; ++code) {
        body += char(code);
        expected += QChar(char16_t(code));
    }
    FakeHttpServer server;
    server.enqueue(withLength ? FakeHttpServer::ok(body)
                              : "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body);

    const QString text = FetchUrl(server.baseUrl());
    QCOMPARE(text.size(), 256);
    QCOMPARE(text, expected);
}

// ------------------------------------------------------------------- failures

void FetchTest::failedTransfersGiveNothing_data()
{
    QTest::addColumn<bool>("listening");
    QTest::addColumn<QByteArray>("reply");

    QTest::newRow("connection refused") << false << QByteArray();
    QTest::newRow("closed without a reply") << true << QByteArray();
}

void FetchTest::failedTransfersGiveNothing()
{
    QFETCH(bool, listening);
    QFETCH(QByteArray, reply);
    if (!listening) {
        QCOMPARE(FetchUrl(QStringLiteral("http://127.0.0.1:%1/quote?scr=,A,&tl=1").arg(closedPort())), QString());
        return;
    }
    FakeHttpServer server;
    // The client sends a request again once when the connection closes before any reply.
    server.setDefaultReply([reply](const QByteArray &) { return reply; });
    QCOMPARE(FetchUrl(server.baseUrl()), QString());
}

// A connection that closes in the middle of a body whose length was stated
// is a failed transfer. Over a socket the client library reports it as an
// error or as a finished reply depending on timing, so the short body itself
// must decide.
void FetchTest::bodyCutShortOfItsLengthGivesNothing_data()
{
    QTest::addColumn<bool>("advert");
    QTest::newRow("data") << false;
    QTest::newRow("advertisement picture") << true;
}

void FetchTest::bodyCutShortOfItsLengthGivesNothing()
{
    QFETCH(bool, advert);
    HttpResponse response;
    response.statusCode = 200;
    response.reasonPhrase = "OK";
    response.headers.append(qMakePair(QByteArray("Content-Length"), QByteArray("100")));
    if (advert)
        response.headers.append(qMakePair(QByteArray("PICS-Label"), QByteArray("PICADS example.com")));
    response.body = "only a part";

    // The whole body still counts.
    HttpResponse whole = response;
    whole.body = QByteArray(100, 'w');
    QCOMPARE(HttpOutcome::interpret(whole).kind, advert ? HttpOutcome::Kind::Advert : HttpOutcome::Kind::Data);

    QCOMPARE(HttpOutcome::interpret(response).kind, HttpOutcome::Kind::Nothing);
}

void FetchTest::stalledOrTricklingRepliesEndByTheDeadline_data()
{
    QTest::addColumn<bool>("stall");
    QTest::newRow("stalls") << true;
    QTest::newRow("trickles") << false;
}

void FetchTest::stalledOrTricklingRepliesEndByTheDeadline()
{
    QFETCH(bool, stall);
    frmData::setDeadlineMs(400);
    FakeHttpServer server;
    FakeHttpServer::Reply reply;
    // A byte every 20 ms never lets the reply fall idle, and it would take minutes.
    reply.bytes = FakeHttpServer::ok(QByteArray(5000, 'x'));
    reply.stall = stall;
    reply.trickleMs = stall ? 0 : 20;
    server.enqueue(reply);

    QCOMPARE(FetchUrl(server.baseUrl()), QString());

    // The next fetch still works.
    server.enqueue(FakeHttpServer::ok("after"));
    QCOMPARE(FetchUrl(server.baseUrl()), QStringLiteral("after"));
}

void FetchTest::bodiesBeyondTheCapGiveNothing_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("withLength");
    QTest::addColumn<bool>("accepted");

    QTest::newRow("at the cap") << frmData::kMaxBodyBytes << true << true;
    QTest::newRow("one byte over the cap") << frmData::kMaxBodyBytes + 1 << true << false;
    QTest::newRow("over the cap without a length") << frmData::kMaxBodyBytes + 1 << false << false;
}

void FetchTest::bodiesBeyondTheCapGiveNothing()
{
    QFETCH(qint64, size);
    QFETCH(bool, withLength);
    QFETCH(bool, accepted);
    const QByteArray body(size, 'q');
    FakeHttpServer server;
    server.enqueue(withLength ? FakeHttpServer::ok(body) : "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n" + body);

    const QString text = FetchUrl(server.baseUrl());
    if (accepted) {
        QCOMPARE(text.size(), size);
        QVERIFY(text == QString(size, QLatin1Char('q')));
    } else {
        QCOMPARE(text.size(), 0);
    }
}

// ------------------------------------------------------------ events meanwhile

void FetchTest::windowEventsAreHandledDuringTheWait()
{
    FakeHttpServer server;
    FakeHttpServer::Reply reply;
    reply.bytes = FakeHttpServer::ok("slow");
    reply.trickleMs = 5;
    server.enqueue(reply);

    bool fetching = false;
    int firedDuringFetch = 0;
    QTimer timer;
    timer.setInterval(0);
    connect(&timer, &QTimer::timeout, this, [&] {
        if (fetching)
            ++firedDuringFetch;
    });
    timer.start();

    fetching = true;
    const QString text = FetchUrl(server.baseUrl());
    fetching = false;
    timer.stop();

    QCOMPARE(text, QStringLiteral("slow"));
    QVERIFY(firedDuringFetch > 0);
}

void FetchTest::nestedFetchFromAnEventHandlerGetsItsOwnReply()
{
    FakeHttpServer outerServer;
    FakeHttpServer innerServer;
    FakeHttpServer::Reply slow;
    slow.bytes = FakeHttpServer::ok("outer");
    slow.trickleMs = 5;
    outerServer.enqueue(slow);
    innerServer.enqueue(FakeHttpServer::ok("inner"));

    QString inner;
    bool outerStillWaiting = false;
    bool fetching = false;
    QTimer::singleShot(0, this, [&] {
        outerStillWaiting = fetching;
        inner = FetchUrl(innerServer.baseUrl());
    });

    fetching = true;
    const QString outer = FetchUrl(outerServer.baseUrl());
    fetching = false;

    QVERIFY(outerStillWaiting);
    QCOMPARE(inner, QStringLiteral("inner"));
    QCOMPARE(outer, QStringLiteral("outer"));
}

// ------------------------------------------------------------- advertisements

void FetchTest::advertisementMarkerAndLink_data()
{
    QTest::addColumn<QByteArray>("reply");
    QTest::addColumn<bool>("isAdvert");
    QTest::addColumn<QString>("link");

    const QByteArray picture = "\xFF\xD8picture\x00\x80\xFF\xD9";
    QTest::newRow("marker and link") << advert(picture) << true << "example.com";
    QTest::newRow("marker in lower case") << advert(picture, "picads shop.example.com/sale") << true
                                          << "shop.example.com/sale";
    QTest::newRow("header name in lower case")
        << FakeHttpServer::ok(picture, "pics-label: PICADS example.org\r\n") << true << "example.org";
    QTest::newRow("marker in lower case in another header line")
        << FakeHttpServer::ok(picture, "X-Note: pics-label: picads\r\n") << true << "";
    QTest::newRow("value of exactly 7 characters") << advert(picture, "PICADS1") << true << "";
    QTest::newRow("value of the marker alone") << advert(picture, "PICADS") << true << "";
    QTest::newRow("link counted from the 8th character") << advert(picture, "PICADSexample.com") << true
                                                         << "xample.com";
    QTest::newRow("marker on an error status")
        << "HTTP/1.1 500 Internal Server Error\r\nContent-Length: " + QByteArray::number(picture.size())
               + "\r\nPICS-Label: PICADS example.net\r\nConnection: close\r\n\r\n" + picture
        << true << "example.net";
    QTest::newRow("another label is data") << advert("plain", "NOADS example.com") << false << "";
    QTest::newRow("marker split by a line is data")
        << FakeHttpServer::ok("plain", "PICS-Label: PIC\r\nX-Rest: ADS\r\n") << false << "";
}

void FetchTest::advertisementMarkerAndLink()
{
    QFETCH(QByteArray, reply);
    QFETCH(bool, isAdvert);
    QFETCH(QString, link);
    FakeHttpServer server;
    server.enqueue(reply);
    server.enqueue(FakeHttpServer::ok("the data"));

    QList<ShownAdvert> shown;
    frmData data;
    data.setAdvertHandler([&shown](const QString &path, const QString &advertLink) {
        shown.append({path, advertLink, readFile(path)});
        return true;
    });
    const QString text = data.GetData(server.baseUrl());

    if (isAdvert) {
        QCOMPARE(text, QStringLiteral("the data"));
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown.first().link, link);
        QCOMPARE(server.requests().size(), 2);
    } else {
        QCOMPARE(text, QStringLiteral("plain"));
        QVERIFY(shown.isEmpty());
        QCOMPARE(server.requests().size(), 1);
    }
}

void FetchTest::eachAdvertisementIsSavedAsAdJpgBeforeItIsShown()
{
    // An older, larger "ad.jpg" is replaced whole, and so is each picture by the next.
    writeFile(QStringLiteral("ad.jpg"), QByteArray(200000, 'o'));
    const QByteArray large = QByteArray(100000, '\x80') + "end of the large picture";
    const QByteArray small = "\xFF\xD8small\xFF\xD9";
    FakeHttpServer server;
    server.enqueue(advert(large, "PICADS large.example.com"));
    server.enqueue(advert(small, "PICADS small.example.com"));
    server.enqueue(FakeHttpServer::ok("quotes"));

    QList<ShownAdvert> shown;
    frmData data;
    data.setAdvertHandler([&shown](const QString &path, const QString &link) {
        shown.append({path, link, readFile(path)});
        return true;
    });
    QCOMPARE(data.GetData(server.baseUrl()), QStringLiteral("quotes"));

    QCOMPARE(shown.size(), 2);
    for (const ShownAdvert &advert : shown)
        QCOMPARE(QFileInfo(advert.path).absoluteFilePath(), QDir::current().absoluteFilePath(QStringLiteral("ad.jpg")));
    QCOMPARE(shown[0].link, QStringLiteral("large.example.com"));
    QVERIFY(shown[0].fileBytes == large);
    QCOMPARE(shown[1].link, QStringLiteral("small.example.com"));
    QCOMPARE(shown[1].fileBytes, small);
    QCOMPARE(readFile(QStringLiteral("ad.jpg")), small);
}

void FetchTest::advertisementsInARowAreBounded_data()
{
    QTest::addColumn<int>("adverts");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("shownCount");

    QTest::newRow("none") << 0 << "data" << 0;
    QTest::newRow("one") << 1 << "data" << 1;
    QTest::newRow("three") << 3 << "data" << 3;
    QTest::newRow("four") << 4 << "" << 3;
}

void FetchTest::advertisementsInARowAreBounded()
{
    QFETCH(int, adverts);
    QFETCH(QString, expected);
    QFETCH(int, shownCount);
    FakeHttpServer server;
    for (int i = 0; i < adverts; ++i)
        server.enqueue(advert("picture " + QByteArray::number(i)));
    server.enqueue(FakeHttpServer::ok("data"));

    int shown = 0;
    frmData data;
    data.setAdvertHandler([&shown](const QString &, const QString &) {
        ++shown;
        return true;
    });
    QCOMPARE(data.GetData(server.baseUrl(QStringLiteral("/quote?scr=,A,&tl=1"))), expected);
    QCOMPARE(shown, shownCount);
    // Every repetition asks for the same thing.
    for (int i = 0; i < server.requests().size(); ++i)
        QCOMPARE(server.requestTarget(i), QByteArray("/quote?scr=,A,&tl=1"));
}

void FetchTest::advertisementThatCannotBeSavedGivesNothing()
{
    QVERIFY(QDir::current().mkdir(QStringLiteral("ad.jpg"))); // no file can take that name
    FakeHttpServer server;
    server.enqueue(advert("picture"));
    server.enqueue(FakeHttpServer::ok("data"));

    bool handlerCalled = false;
    frmData data;
    data.setAdvertHandler([&handlerCalled](const QString &, const QString &) {
        handlerCalled = true;
        return true;
    });
    QCOMPARE(data.GetData(server.baseUrl()), QString());
    QVERIFY(!handlerCalled);
    QCOMPARE(server.requests().size(), 1);
}

void FetchTest::advertisementThatCannotBeShownGivesNothing()
{
    FakeHttpServer server;
    server.enqueue(advert("picture"));
    server.enqueue(FakeHttpServer::ok("data"));

    frmData data;
    data.setAdvertHandler([](const QString &, const QString &) { return false; });
    QCOMPARE(data.GetData(server.baseUrl()), QString());
    QCOMPARE(server.requests().size(), 1);
}

void FetchTest::twoAdvertisementsOpenTwoWindowsAndTheThirdReplyIsReturned()
{
    const QByteArray large = jpeg(QSize(200, 150), Qt::red);
    const QByteArray small = jpeg(QSize(30, 60), Qt::blue);
    QVERIFY(!large.isEmpty());
    QVERIFY(large.size() > small.size());
    FakeHttpServer server;
    server.enqueue(advert(large, "PICADS first.example.com"));
    server.enqueue(advert(small, "PICADS second.example.com"));
    server.enqueue(FakeHttpServer::ok("INFY,1\r\n"));

    QCOMPARE(FetchUrl(server.baseUrl()), QStringLiteral("INFY,1\r\n"));

    QCOMPARE(server.requests().size(), 3);
    QCOMPARE(openTips().size(), 2);
    frmTip *first = tipWithLink(QStringLiteral("first.example.com"));
    frmTip *second = tipWithLink(QStringLiteral("second.example.com"));
    QVERIFY(first);
    QVERIFY(second);
    for (const auto &[tip, size] : {std::pair{first, QSize(200, 150)}, std::pair{second, QSize(30, 60)}}) {
        QVERIFY(tip->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(!tip->isModal());
        auto *picture = tip->findChild<QLabel *>(QStringLiteral("Image1"));
        QVERIFY(picture);
        QCOMPARE(picture->pixmap().size(), size);
    }
    // The later window gets the keyboard.
    QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(second));
    // Exactly the smaller picture's bytes, nothing of the larger one behind them.
    QCOMPARE(readFile(QStringLiteral("ad.jpg")), small);

    // The windows outlive the fetch and close on their own.
    QPointer<frmTip> firstGuard(first);
    first->close();
    QTRY_VERIFY(firstGuard.isNull());
    QVERIFY(second->isVisible());
}

void FetchTest::advertisementsWithoutEndGiveNothingAfterThreeWindows()
{
    const QByteArray picture = jpeg(QSize(16, 16), Qt::green);
    FakeHttpServer server;
    server.setDefaultReply([picture](const QByteArray &) { return advert(picture); });

    QCOMPARE(FetchUrl(server.baseUrl()), QString());
    QCOMPARE(openTips().size(), frmData::kMaxAdvertsInARow);
    QCOMPARE(server.requests().size(), frmData::kMaxAdvertsInARow + 1);
}

void FetchTest::advertisementWithoutAPictureOpensNoWindow()
{
    FakeHttpServer server;
    server.enqueue(advert("this is not a picture"));
    server.enqueue(FakeHttpServer::ok("data"));

    QCOMPARE(FetchUrl(server.baseUrl()), QString());
    QVERIFY(openTips().isEmpty());
    QCOMPARE(server.requests().size(), 1);
}

// ------------------------------------------------------------------ Unscramble

void FetchTest::unscrambleLowersEveryCodeByTheLoweredKey_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("key");
    QTest::addColumn<QString>("expected");

    QTest::newRow("down by one") << "Ifmmp" << 2 << "Hello";
    QTest::newRow("key 1 leaves the text") << QString::fromLatin1("caf\xE9 \x01\xFF") << 1
                                           << QString::fromLatin1("caf\xE9 \x01\xFF");
    QTest::newRow("negative key moves up") << "Hello" << -4 << "Mjqqt";
    QTest::newRow("down to code 0") << "A" << 66 << QString(QChar(u'\0'));
    QTest::newRow("up to code 255") << "A" << -189 << QString(QChar(char16_t(255)));
}

void FetchTest::unscrambleLowersEveryCodeByTheLoweredKey()
{
    QFETCH(QString, text);
    QFETCH(int, key);
    QFETCH(QString, expected);
    qint16 variable = qint16(key);
    QCOMPARE(Unscramble(text, variable), expected);
    QCOMPARE(variable, qint16(key - 1));
}

void FetchTest::unscrambleOfEmptyTextStillLowersTheKey()
{
    qint16 key = 10;
    QCOMPARE(Unscramble(QString(), key), QString());
    QCOMPARE(key, qint16(9));
    QCOMPARE(Unscramble(QString(), key), QString());
    QCOMPARE(key, qint16(8));
}

void FetchTest::unscrambleFailures_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("overflow"); // else invalid argument

    QTest::newRow("key that cannot be lowered") << "abc" << -32768 << true;
    QTest::newRow("empty text with a key that cannot be lowered") << "" << -32768 << true;
    QTest::newRow("code below 0") << "A" << 67 << false;
    QTest::newRow("code above 255") << "A" << -190 << false;
    QTest::newRow("later character below 0") << "zzz\x01" << 3 << false;
    QTest::newRow("code beyond 16 bits") << QString(QChar(u'\x05')) << -32767 << true;
}

void FetchTest::unscrambleFailures()
{
    QFETCH(QString, text);
    QFETCH(int, key);
    QFETCH(bool, overflow);
    qint16 variable = qint16(key);
    if (overflow)
        QVERIFY_THROWS_EXCEPTION(std::overflow_error, Unscramble(text, variable));
    else
        QVERIFY_THROWS_EXCEPTION(std::invalid_argument, Unscramble(text, variable));
}

void FetchTest::builtInServiceAddressRoundTrips()
{
    const QString address = QStringLiteral("http://127.0.0.1:8425/quote");
    QCOMPARE(ServiceAddress::builtIn(), address);
    for (qint16 key : {qint16(-20), qint16(1), qint16(6), qint16(100)}) {
        qint16 variable = key;
        QCOMPARE(Unscramble(scramble(address, key), variable), address);
    }
}

void FetchTest::serviceAddressFromEnvironment_data()
{
    QTest::addColumn<bool>("set");
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<QString>("expected");

    QTest::newRow("unset") << false << QByteArray() << "http://127.0.0.1:8425/quote";
    QTest::newRow("empty") << true << QByteArray() << "http://127.0.0.1:8425/quote";
    QTest::newRow("set") << true << QByteArray("http://127.0.0.1:9999/q") << "http://127.0.0.1:9999/q";
}

void FetchTest::serviceAddressFromEnvironment()
{
    QFETCH(bool, set);
    QFETCH(QByteArray, value);
    QFETCH(QString, expected);
    const bool hadValue = qEnvironmentVariableIsSet("TICKERLOOM_SERVICE_URL");
    const QByteArray previous = qgetenv("TICKERLOOM_SERVICE_URL");
    if (set)
        qputenv("TICKERLOOM_SERVICE_URL", value);
    else
        qunsetenv("TICKERLOOM_SERVICE_URL");

    const QString base = ServiceAddress::base();

    if (hadValue)
        qputenv("TICKERLOOM_SERVICE_URL", previous);
    else
        qunsetenv("TICKERLOOM_SERVICE_URL");
    QCOMPARE(base, expected);
}

QTEST_MAIN(FetchTest)
#include "tst_fetch.moc"
