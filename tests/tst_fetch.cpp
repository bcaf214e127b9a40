// The one HTTP GET every request goes through: what is sent, how a reply is
// read into text or nothing, the advertisement detour with its windows and
// "ad.jpg", the deadline and body cap, and Unscramble with the service address.
#include "protocol/QuoteProtocol.h"
#include "support/FakeHttpServer.h"
#include "support/TestHelpers.h"
#include "web/AdvertImage.h"
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
#include <QMap>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <memory>
#include <sys/resource.h>

using TestHelpers::readFile;
using TestHelpers::writeFile;

namespace {

const QByteArray kClose = "Connection: close\r\n";

// A real JPEG; its busy pattern makes a larger picture a larger file.
QByteArray jpeg(const QSize &size)
{
    QImage image(size, QImage::Format_RGB32);
    for (int y = 0; y < size.height(); ++y)
        for (int x = 0; x < size.width(); ++x)
            image.setPixel(x, y, qRgb(x * 31, y * 17, (x ^ y) * 5));
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "JPG");
    return buffer.data();
}

QByteArray advert(const QByteArray &picture, const QByteArray &label = "PICADS example.com")
{
    return FakeHttpServer::ok(picture, "PICS-Label: " + label + "\r\n");
}

QByteArray encoded(const QSize &size, const char *format)
{
    QImage image(size, QImage::Format_Mono); // small in memory, whatever its size
    image.fill(1);
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return buffer.data();
}

quint32 crc32(const QByteArray &bytes)
{
    quint32 crc = 0xFFFFFFFFu;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

// A PNG that announces a picture of width x height and holds no pixels:
// what a reader learns before it decodes anything.
QByteArray pngHeader(quint32 width, quint32 height)
{
    QByteArray ihdr("IHDR");
    for (const quint32 value : {width, height})
        for (int shift = 24; shift >= 0; shift -= 8)
            ihdr += char(value >> shift);
    ihdr += QByteArray("\x08\x06\x00\x00\x00", 5); // 8-bit RGBA, no interlace
    QByteArray png("\x89PNG\r\n\x1A\n\x00\x00\x00\x0D", 12);
    png += ihdr;
    for (int shift = 24; shift >= 0; shift -= 8)
        png += char(crc32(ihdr) >> shift);
    return png;
}

double peakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0;
}

QList<frmTip *> openTips()
{
    QList<frmTip *> tips;
    for (QWidget *widget : QApplication::topLevelWidgets())
        if (auto *tip = qobject_cast<frmTip *>(widget); tip && tip->isVisible())
            tips.append(tip);
    return tips;
}

// The offscreen platform notes on every show that it cannot raise windows.
QtMessageHandler g_previousHandler = nullptr;

void withoutRaiseNotes(QtMsgType type, const QMessageLogContext &context, const QString &message)
{
    if (message != u"This plugin does not support raise()")
        g_previousHandler(type, context, message);
}

} // namespace

class FetchTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { g_previousHandler = qInstallMessageHandler(withoutRaiseNotes); }
    void cleanupTestCase() { qInstallMessageHandler(g_previousHandler); }

    void init()
    {
        m_deadlineMs = 15000; // only a hung fetch reaches it
        m_previousDir = QDir::currentPath();
        m_dir = std::make_unique<QTemporaryDir>();
        QVERIFY(m_dir->isValid());
        QVERIFY(QDir::setCurrent(m_dir->path()));
    }

    void cleanup()
    {
        for (QWidget *widget : QApplication::topLevelWidgets())
            if (qobject_cast<frmTip *>(widget))
                delete widget;
        QDir::setCurrent(m_previousDir);
        m_dir.reset();
    }

    // First, while the process's peak memory is still low.
    void endlessBodyEndsAtTheCapWithMemoryBounded()
    {
        FakeHttpServer server;
        FakeHttpServer::Reply endless{"HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n"};
        endless.endless = true;
        server.enqueue(endless);
        const double before = peakRssMb();
        QCOMPARE(fetch(server.baseUrl()), QString());
        // The body held never passes the 32 MiB cap, nor is it held twice while
        // it grows. AddressSanitizer keeps freed memory aside, so there the
        // figure says nothing.
#ifndef __SANITIZE_ADDRESS__
        const double grown = peakRssMb() - before;
        QVERIFY2(grown < 60, qPrintable(QStringLiteral("peak memory grew by %1 MB").arg(grown)));
#else
        Q_UNUSED(before);
#endif
        server.enqueue(FakeHttpServer::ok("after")); // the next fetch still works
        QCOMPARE(fetch(server.baseUrl()), QStringLiteral("after"));
    }

    void requestLineAndHeaders()
    {
        for (const QByteArray target : {"/quote?scr=,INFY,TCS,&tl=1&ft=1", "/quote?src=tata&tl=1"}) {
            FakeHttpServer server;
            server.enqueue(FakeHttpServer::ok("x"));
            QCOMPARE(fetch(server.baseUrl(QString::fromLatin1(target))), QStringLiteral("x"));
            QCOMPARE(server.requests().size(), 1);
            const QByteArray request = server.requests().first();
            const QList<QByteArray> lines = request.split('\n');
            QCOMPARE(lines.first(), "GET " + target + " HTTP/1.1\r");
            QCOMPARE(lines.count("Content-Type: application/x-www-form-urlencoded\r"), 1);
            QCOMPARE(lines.count("User-Agent: Mozilla/4.0 (compatible; MSIE 7.0; Windows NT 6.0; SLCC1; "
                                 ".NET CLR 2.0.50727; .NET CLR 3.0.04506)\r"),
                     1);
            QCOMPARE(request.toLower().count("\nuser-agent:"), 1);
            // Identity encoding: the bytes the fetch checks are the bytes that were sent.
            QCOMPARE(request.toLower().count("\naccept-encoding:"), 1);
            QCOMPARE(lines.count("Accept-Encoding: identity\r"), 1);
            QVERIFY(!request.toLower().contains("\ncookie:"));
        }
    }

    void replyIsReadAsDataAdvertOrNothing_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<QStringList>("adverts"); // links of the advertisements shown
        const auto row = [](const char *name, const QByteArray &reply, const QString &text, QStringList adverts = {}) {
            QTest::newRow(name) << reply << text << adverts;
        };
        using S = FakeHttpServer;
        const QByteArray label = "PICS-Label: PICADS example.com\r\n" + kClose;
        const QByteArray pic = "\xFF\xD8picture\xFF\xD9";

        row("200", S::ok("INFY,1,2\r\n"), "INFY,1,2\r\n");
        row("empty body", S::ok(""), "");
        row("404 NOT FOUND with a body", S::status(404, "NOT FOUND", "<html>missing</html>"), "");
        row("404 Not Found", S::status(404, "Not Found", "missing"), "");
        row("404 not found", S::status(404, "not found", "missing"), "");
        row("404 with another reason", S::status(404, "Missing", "the page"), "");
        row("401", S::status(401, "Unauthorized", "go away"), "");
        row("401 in capitals", S::status(401, "UNAUTHORIZED", "go away"), "");
        // An error page is no data, whatever its status.
        row("500 with a body", S::status(500, "Internal Server Error", "<h1>Error</h1>"), "");
        row("502", S::status(502, "Bad Gateway", "A,1,2\r\n"), "");
        row("503", S::status(503, "Service Unavailable", "try later"), "");
        row("400", S::status(400, "Bad Request", "bad list"), "");
        // A redirect page not followed is no data either, though it has a body.
        row("300 with a body", S::status(300, "Multiple Choices", "A,1,2\r\n"), "");
        row("301 with a body", S::status(301, "Moved Permanently", "<a>moved</a>"), "");
        row("302 with a body", S::status(302, "Found", "A,1,2\r\n"), "");
        row("204 and other 2xx", S::status(203, "Non-Authoritative Information", "A,1\r\n"), "A,1\r\n");
        row("404 Not Found in a header", S::ok("data", "X-Upstream: 404 Not Found\r\n"), "");
        row("401 unauthorized in a header", S::ok("data", "Warning: 401 unauthorized\r\n"), "");
        row("404 without the blank before", S::ok("data", "X-Code: A404 Not Found\r\n"), "data");
        row("404 without a length", "HTTP/1.1 404 Not Found\r\n" + kClose + "\r\nmissing", "");
        // Without a length a reply is read to its end and is never an advertisement.
        row("chunked",
            "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n" + label +
                "\r\n5\r\nINFY,\r\n7\r\n1,2,3\r\n\r\n0\r\n\r\n",
            "INFY,1,2,3\r\n");
        row("ended by closing", "HTTP/1.1 200 OK\r\n" + label + "\r\nTCS,1\r\nINFY,2\r\n", "TCS,1\r\nINFY,2\r\n");
        row("Content-Length of spaces", "HTTP/1.1 200 OK\r\nContent-Length:   \r\n" + label + "\r\nW,3\r\n", "W,3\r\n");
        QByteArray bytes;
        QString latin1;
        for (int code = 0; code < 256; ++code) {
            bytes += char(code);
            latin1 += QChar(char16_t(code));
        }
        row("Latin-1 with a length", S::ok(bytes), latin1);
        row("Latin-1 read to the end", "HTTP/1.1 200 OK\r\n" + kClose + "\r\n" + bytes, latin1);
        // An advertisement is shown and the request sent again.
        row("advert", advert(pic), "next", {"example.com"});
        row("marker in lower case", advert(pic, "picads shop.example.com/sale"), "next", {"shop.example.com/sale"});
        row("header name in lower case", S::ok(pic, "pics-label: PICADS example.org\r\n"), "next", {"example.org"});
        row("lower-case marker in another line", S::ok(pic, "X-Note: pics-label: picads\r\n"), "next", {""});
        row("value of exactly 7 characters", advert(pic, "PICADS1"), "next", {""});
        row("value of the marker alone", advert(pic, "PICADS"), "next", {""});
        row("link from the 8th character", advert(pic, "PICADSexample.com"), "next", {"xample.com"});
        row("marker on a 500", "HTTP/1.1 500 Internal Server Error\r\nContent-Length: 11\r\n" + label + "\r\n" + pic,
            "next", {"example.com"});
        row("another label", advert("plain", "NOADS example.com"), "plain");
        row("marker split by a line", S::ok("plain", "PICS-Label: PIC\r\nX-Rest: ADS\r\n"), "plain");
    }

    void replyIsReadAsDataAdvertOrNothing()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QString, expected);
        QFETCH(QStringList, adverts);
        FakeHttpServer server;
        server.enqueue(reply);
        server.enqueue(FakeHttpServer::ok("next"));
        QStringList shown;
        frmData data(&m_network, m_deadlineMs, QDir::currentPath());
        data.setAdvertHandler([&shown](const QByteArray &, const QString &link) { shown.append(link); });
        QCOMPARE(frmData::textOf(data.GetBytes(QUrl(server.baseUrl()))), expected);
        QCOMPARE(shown, adverts);
        // Qt now and then sends a GET again when a reply ended by closing; only
        // the advertisement's repeat is ours to count.
        if (!adverts.isEmpty())
            QCOMPARE(server.requests().size(), 1 + adverts.size());
        QCOMPARE(QFileInfo::exists(QStringLiteral("ad.jpg")), !adverts.isEmpty());
    }

    void failedTransfersGiveNothing()
    {
        QTcpServer gone;
        QVERIFY(gone.listen(QHostAddress::LocalHost));
        const quint16 port = gone.serverPort();
        gone.close();
        QCOMPARE(fetch(QStringLiteral("http://127.0.0.1:%1/quote?scr=,A,&tl=1").arg(port)), QString());

        FakeHttpServer server; // closes every connection without a reply, the retry too
        server.setDefaultReply([](const QByteArray &) { return QByteArray(); });
        QCOMPARE(fetch(server.baseUrl()), QString());
    }

    // Over a socket the client may report such a reply as finished, so the short body must decide.
    void bodyCutShortOfItsLengthGivesNothing()
    {
        for (const bool ad : {false, true}) {
            HttpResponse response{.statusCode = 200,
                                  .reasonPhrase = "OK",
                                  .headers = {{"Content-Length", "100"}},
                                  .body = QByteArray(100, 'w')};
            if (ad)
                response.headers.emplaceBack("PICS-Label", "PICADS example.com");
            QCOMPARE(HttpOutcome::interpret(response).kind, ad ? HttpOutcome::Kind::Advert : HttpOutcome::Kind::Data);
            response.body = "only a part";
            QCOMPARE(HttpOutcome::interpret(response).kind, HttpOutcome::Kind::Nothing);
        }
    }

    // Whether Qt hands a 3xx page over or fails it depends on its status and
    // headers; every such page it hands over is no data.
    void redirectPagesAreNoData()
    {
        for (const int status : {300, 301, 302, 303, 304, 307, 308, 399}) {
            const HttpResponse response{.statusCode = status,
                                        .reasonPhrase = "Redirect",
                                        .headers = {{"Content-Length", "7"}},
                                        .body = "A,1,2\r\n"};
            QVERIFY2(HttpOutcome::interpret(response).kind == HttpOutcome::Kind::Nothing,
                     qPrintable(QString::number(status)));
        }
    }

    void stalledOrTricklingRepliesEndByTheDeadline()
    {
        m_deadlineMs = 400;
        for (const bool stall : {true, false}) {
            FakeHttpServer server;
            FakeHttpServer::Reply reply{FakeHttpServer::ok(QByteArray(5000, 'x'))};
            reply.stall = stall;
            reply.trickleMs = stall ? 0 : 20; // never idle, and minutes long
            server.enqueue(reply);
            QCOMPARE(fetch(server.baseUrl()), QString());
            server.enqueue(FakeHttpServer::ok("after")); // the next fetch still works
            QCOMPARE(fetch(server.baseUrl()), QStringLiteral("after"));
        }
    }

    void bodiesBeyondTheCapGiveNothing_data()
    {
        const qint64 cap = 32 * 1024 * 1024;
        QTest::addColumn<qint64>("size");
        QTest::addColumn<bool>("withLength");
        QTest::newRow("at the cap") << cap << true;
        QTest::newRow("one byte over") << cap + 1 << true;
        QTest::newRow("over without a length") << cap + 1 << false;
    }

    void bodiesBeyondTheCapGiveNothing()
    {
        QFETCH(qint64, size);
        QFETCH(bool, withLength);
        const QByteArray body(size, 'q');
        FakeHttpServer server;
        server.enqueue(withLength ? FakeHttpServer::ok(body) : "HTTP/1.1 200 OK\r\n" + kClose + "\r\n" + body);
        const QString text = fetch(server.baseUrl());
        const bool accepted = size <= 32 * 1024 * 1024;
        QCOMPARE(text.size(), accepted ? size : 0);
        QVERIFY(!accepted || text == QString(size, QLatin1Char('q')));
    }

    void eventsAreHandledDuringTheWaitEvenANestedFetch()
    {
        FakeHttpServer outerServer, innerServer;
        outerServer.enqueue({.bytes = FakeHttpServer::ok("outer"), .trickleMs = 5});
        innerServer.enqueue(FakeHttpServer::ok("inner"));
        bool fetching = false, firedDuringFetch = false;
        QString inner;
        QTimer timer;
        connect(&timer, &QTimer::timeout, this, [&] {
            timer.stop();
            firedDuringFetch = fetching;
            inner = fetch(innerServer.baseUrl());
        });
        timer.start(0);
        fetching = true;
        QCOMPARE(fetch(outerServer.baseUrl()), QStringLiteral("outer"));
        QVERIFY(firedDuringFetch);
        QCOMPARE(inner, QStringLiteral("inner"));
    }

    void twoAdvertisementsOpenTwoWindowsAndTheThirdReplyIsReturned()
    {
        writeFile(QStringLiteral("ad.jpg"), QByteArray(200000, 'o')); // an older, larger file
        const QByteArray large = jpeg(QSize(200, 150));
        const QByteArray small = jpeg(QSize(30, 60));
        QVERIFY(large.size() > small.size());
        FakeHttpServer server;
        server.enqueue(advert(large, "PICADS first.example.com"));
        server.enqueue(advert(small, "PICADS second.example.com"));
        server.enqueue(FakeHttpServer::ok("INFY,1\r\n"));

        QCOMPARE(fetch(server.baseUrl()), QStringLiteral("INFY,1\r\n"));
        QCOMPARE(server.requests().size(), 3);
        QMap<QString, frmTip *> tips; // by link
        for (frmTip *tip : openTips())
            tips.insert(tip->StrLink, tip);
        QCOMPARE(tips.keys(), (QStringList{"first.example.com", "second.example.com"}));
        // Each picture was in "ad.jpg" when its window opened.
        for (const auto &[link, size] :
             {std::pair{"first.example.com", QSize(200, 150)}, std::pair{"second.example.com", QSize(30, 60)}}) {
            frmTip *tip = tips.value(QString::fromLatin1(link));
            QVERIFY(tip->windowFlags().testFlag(Qt::WindowStaysOnTopHint) && !tip->isModal());
            QCOMPARE(tip->findChild<QLabel *>(QStringLiteral("Image1"))->pixmap().size(), size);
        }
        frmTip *second = tips.value(QStringLiteral("second.example.com"));
        QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(second));
        QCOMPARE(readFile(QStringLiteral("ad.jpg")), small); // nothing of the larger one behind it

        QPointer<frmTip> first(tips.value(QStringLiteral("first.example.com")));
        first->close();
        QTRY_VERIFY(first.isNull());
        QVERIFY(second->isVisible());
    }

    void advertisementReplacesALinkNamedAdJpgNotItsTarget()
    {
        writeFile(QStringLiteral("target.txt"), "the user's own file");
        QVERIFY(QFile::link(QStringLiteral("target.txt"), QStringLiteral("ad.jpg")));
        const QByteArray picture = jpeg(QSize(20, 20));
        FakeHttpServer server;
        server.enqueue(advert(picture));
        server.enqueue(FakeHttpServer::ok("data"));
        QCOMPARE(fetch(server.baseUrl()), QStringLiteral("data"));
        QCOMPARE(readFile(QStringLiteral("target.txt")), QByteArray("the user's own file"));
        QVERIFY(!QFileInfo(QStringLiteral("ad.jpg")).isSymLink());
        QCOMPARE(readFile(QStringLiteral("ad.jpg")), picture);
        QCOMPARE(openTips().size(), 1);
        QCOMPARE(QDir::current().entryList(QDir::Files).size(), 2); // no temporary file left behind
    }

    // Only the decoded size is kept, and a picture that does not fit the
    // decoding budget is never decoded at all.
    void picturesBeyondTheAreaAreScaledOrRefused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QSize>("shown"); // invalid: no picture
        QTest::newRow("fits") << encoded(QSize(350, 200), "PNG") << QSize(350, 200);
        QTest::newRow("wide png, scaled in") << encoded(QSize(1000, 800), "PNG") << QSize(350, 280);
        QTest::newRow("5000 x 5000 png, scaled while decoding") << encoded(QSize(5000, 5000), "PNG") << QSize(350, 350);
        QTest::newRow("large jpeg, scaled while decoding") << encoded(QSize(1600, 1600), "JPG") << QSize(350, 350);
        QTest::newRow("20000 x 20000 png, beyond the budget") << pngHeader(20000, 20000) << QSize();
        // BMP does not decode scaled: the whole picture would be decoded first.
        QTest::newRow("3000 x 3000 bmp, beyond the budget") << encoded(QSize(3000, 3000), "BMP") << QSize();
        QTest::newRow("no picture") << QByteArray("<html>not a picture</html>") << QSize();
    }

    void picturesBeyondTheAreaAreScaledOrRefused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QSize, shown);
        QCOMPARE(AdvertImage::decode(bytes).size(), shown.isValid() ? shown : QSize(0, 0));
    }

    void advertisementsInARowAreBounded_data()
    {
        QTest::addColumn<int>("adverts");
        QTest::addColumn<QByteArray>("picture");
        QTest::addColumn<bool>("blocked"); // "ad.jpg" is a folder: no file can take that name
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("windows");
        QTest::addColumn<int>("asked"); // requests sent
        const QByteArray pic = jpeg(QSize(16, 16));
        QTest::newRow("none") << 0 << pic << false << "data" << 0 << 1;
        QTest::newRow("one") << 1 << pic << false << "data" << 1 << 2;
        QTest::newRow("three") << 3 << pic << false << "data" << 3 << 4;
        QTest::newRow("without end") << 10 << pic << false << "" << 3 << 4; // never the data
        // Neither a picture that does not decode nor an "ad.jpg" that cannot be
        // written costs the data: the request is sent again all the same.
        QTest::newRow("not a picture") << 1 << QByteArray("not a picture") << false << "data" << 0 << 2;
        QTest::newRow("3000 x 3000 bmp, beyond the budget")
            << 1 << encoded(QSize(3000, 3000), "BMP") << false << "data" << 0 << 2;
        QTest::newRow("ad.jpg cannot be written") << 1 << pic << true << "data" << 1 << 2;
        QTest::newRow("neither") << 2 << QByteArray("not a picture") << true << "data" << 0 << 3;
    }

    void advertisementsInARowAreBounded()
    {
        QFETCH(int, adverts);
        QFETCH(QByteArray, picture);
        QFETCH(bool, blocked);
        QFETCH(QString, expected);
        QFETCH(int, windows);
        QFETCH(int, asked);
        QVERIFY(!blocked || QDir::current().mkdir(QStringLiteral("ad.jpg")));
        FakeHttpServer server;
        for (int i = 0; i < adverts; ++i)
            server.enqueue(advert(picture));
        server.enqueue(FakeHttpServer::ok("data"));
        const QString target = QStringLiteral("/quote?scr=,A,&tl=1");
        QCOMPARE(fetch(server.baseUrl(target)), expected);
        QCOMPARE(openTips().size(), windows);
        QCOMPARE(server.requests().size(), asked);
        for (int i = 0; i < server.requests().size(); ++i)
            QCOMPARE(server.requestTarget(i), target.toLatin1());
    }

    void unscramble_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("key");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("failure"); // 1: overflow, 2: not a single-byte code
        const QString latin1 = QString::fromLatin1("caf\xE9 \x01\xFF");

        QTest::newRow("down by one") << "Ifmmp" << 2 << "Hello" << 0;
        QTest::newRow("key 1 leaves the text") << latin1 << 1 << latin1 << 0;
        QTest::newRow("negative key moves up") << "Hello" << -4 << "Mjqqt" << 0;
        QTest::newRow("down to code 0") << "A" << 66 << QString(QChar(u'\0')) << 0;
        QTest::newRow("up to code 255") << "A" << -189 << QString(QChar(char16_t(255))) << 0;
        QTest::newRow("empty text still lowers the key") << "" << 10 << "" << 0;
        QTest::newRow("key that cannot be lowered") << "abc" << -32768 << "" << 1;
        QTest::newRow("empty text, key that cannot be lowered") << "" << -32768 << "" << 1;
        QTest::newRow("code beyond 16 bits") << QString(QChar(u'\x05')) << -32767 << "" << 1;
        QTest::newRow("code below 0") << "A" << 67 << "" << 2;
        QTest::newRow("code above 255") << "A" << -190 << "" << 2;
        QTest::newRow("later character below 0") << "zzz\x01" << 3 << "" << 2;
    }

    void unscramble()
    {
        QFETCH(QString, text);
        QFETCH(int, key);
        QFETCH(QString, expected);
        QFETCH(int, failure);
        qint16 variable = qint16(key);
        const std::optional<QString> result = Unscramble(text, variable);
        if (failure != 0) {
            QVERIFY(!result);
        } else {
            QCOMPARE(result, expected);
            QCOMPARE(variable, qint16(key - 1));
        }
    }

    void serviceAddressFromEnvironment_data()
    {
        QTest::addColumn<bool>("set");
        QTest::addColumn<QByteArray>("value");
        QTest::addColumn<QString>("expected");
        // The demo service's own address, where it listens by default.
        const QString builtIn = QStringLiteral("http://127.0.0.1:%1%2")
                                    .arg(QuoteProtocol::kDefaultPort)
                                    .arg(QLatin1String(QuoteProtocol::kPath));
        QTest::newRow("unset: built in") << false << QByteArray() << builtIn;
        QTest::newRow("empty: built in") << true << QByteArray() << builtIn;
        QTest::newRow("set") << true << QByteArray("http://127.0.0.1:9999/q") << "http://127.0.0.1:9999/q";
    }

    void serviceAddressFromEnvironment()
    {
        QFETCH(bool, set);
        QFETCH(QByteArray, value);
        QFETCH(QString, expected);
        const bool hadValue = qEnvironmentVariableIsSet("TICKERLOOM_SERVICE_URL");
        const QByteArray previous = qgetenv("TICKERLOOM_SERVICE_URL");
        set ? qputenv("TICKERLOOM_SERVICE_URL", value) : qunsetenv("TICKERLOOM_SERVICE_URL");
        const QString base = ServiceAddress::base().value_or(QString());
        hadValue ? qputenv("TICKERLOOM_SERVICE_URL", previous) : qunsetenv("TICKERLOOM_SERVICE_URL");
        QCOMPARE(base, expected);
    }

private:
    // Fetches as the program does, with "ad.jpg" in the test's folder.
    QString fetch(const QString &url)
    {
        return FetchUrl({&m_network, m_deadlineMs, QDir::currentPath()}, url);
    }

    QNetworkAccessManager m_network;
    int m_deadlineMs = frmData::kDefaultDeadlineMs;
    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_previousDir;
};

QTEST_MAIN(FetchTest)
#include "tst_fetch.moc"
