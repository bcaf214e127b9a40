// The quote service with a market-data provider: the snapshot mapping, the
// cache and its schedule against a fake provider over a real socket, the key,
// the refusal of other users, the search from the provider's list, --check.
#include "protocol/QuoteProtocol.h"
#include "service/AlpacaSource.h"
#include "service/ProviderAssets.h"
#include "service/QuoteService.h"
#include "service/ReplyBuilder.h"
#include "service/ServiceConfig.h"
#include "service/ServiceRequest.h"
#include "service/SnapshotReader.h"
#include "support/FakeProvider.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QLoggingCategory>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QStringList g_log; // every message of the run, to look for the key in

void keepMessage(QtMsgType, const QMessageLogContext &, const QString &message)
{
    g_log.append(message);
    if (qEnvironmentVariableIsSet("TST_PROVIDER_SHOW_LOG"))
        fprintf(stderr, "%s\n", qPrintable(message));
}

int logCount(const QString &text)
{
    return int(std::count_if(g_log.begin(), g_log.end(), [&](const QString &line) { return line.contains(text); }));
}

// The provider's rules and the service's schedule, shortened for a test.
ProviderSettings fastSettings(const FakeProvider &fake, const QString &cacheFolder = {})
{
    ProviderSettings settings;
    settings.quotesBase = settings.assetsBase = fake.baseUrl();
    settings.keyId = FakeProvider::kKeyId;
    settings.secretKey = FakeProvider::kSecret;
    settings.cacheFolder = cacheFolder;
    settings.refreshMs = 200;
    settings.windowMs = 2000;
    settings.firstAskDelayMs = 50;
    settings.timeoutMs = 1000;
    settings.firstBackOffMs = 1000;
    settings.maxBackOffMs = 2000;
    return settings;
}

QString quoteQuery(const QString &list, bool firstFetch = false)
{
    return QStringLiteral("scr=%1&tl=1%2").arg(list, firstFetch ? QStringLiteral("&ft=1") : QString());
}

QByteArray linesOf(QuoteService &service, const QString &list, bool firstFetch = false)
{
    return service.answer(quoteQuery(list, firstFetch)).data();
}

// Runs the service binary with the key in its environment, the event loop
// turning meanwhile so that the fake provider in this process answers it.
void startService(QProcess &process, const QStringList &arguments, const QByteArray &secret = FakeProvider::kSecret)
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("APCA_API_KEY_ID"), QString::fromLatin1(FakeProvider::kKeyId));
    environment.insert(QStringLiteral("APCA_API_SECRET_KEY"), QString::fromLatin1(secret));
    environment.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("tickerloom.*.debug=true"));
    process.setProcessEnvironment(environment);
    process.start(QStringLiteral(TICKERLOOM_SERVICE_BINARY),
                  arguments +
                      QStringList{"--config", QDir::temp().filePath(QStringLiteral("no-such-tickerloom.conf"))});
}

} // namespace

class tst_Provider : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QLoggingCategory::setFilterRules(QStringLiteral("tickerloom.*.debug=true"));
        qInstallMessageHandler(keepMessage);
    }

    void snapshotsMapToQuoteLines_data()
    {
        QTest::addColumn<QByteArray>("reply");
        QTest::addColumn<QByteArray>("lines"); // on a first fetch; "error" when the reply is refused whole
        QTest::newRow("whole")
            << "{\"AAPL\":" + FakeProvider::snapshot(189.5, 189.6, 189.55, 188, 190, 187, 5'000'000'000LL, 187.65) + "}"
            << QByteArray("AAPL,189.50,189.60,189.55,(+1.01%),UP,190.00,187.00,5000000000,188.00,"
                          "187.65\r\n");
        QTest::newRow("null members") << QByteArray(R"({"A":{"latestTrade":null,"latestQuote":{"bp":null,"ap":10.5},)"
                                                    R"("minuteBar":null,"dailyBar":null,"prevDailyBar":{"c":10}}})")
                                      << QByteArray("A,,10.50,,,,,,,,10.00\r\n");
        QTest::newRow("no members") << QByteArray(R"({"A":{}})") << QByteArray("A,,,,,,,,,,\r\n");
        QTest::newRow("no previous close")
            << QByteArray(R"({"A":{"latestTrade":{"p":2},"prevDailyBar":null}})") << QByteArray("A,,,2.00,,,,,,,\r\n");
        QTest::newRow("symbol maps to null") << QByteArray(R"({"A":null,"B":{}})") << QByteArray("B,,,,,,,,,,\r\n");
        QTest::newRow("numbers as strings")
            << QByteArray(R"({"A":{"latestTrade":{"p":"12.5"},"dailyBar":{"v":"100","o":"1"}}})")
            << QByteArray("A,,,,,,,,,,\r\n");
        QTest::newRow("impossible values")
            << QByteArray(R"({"A":{"latestQuote":{"bp":-1,"ap":0},"dailyBar":{"v":1.5,"h":1e300}}})")
            << QByteArray("A,,,,,,,,,,\r\n");
        QTest::newRow("comma or line break in a symbol")
            << QByteArray(R"({"A,B":{},"C\nD":{},"E\r":{},"F":{}})") << QByteArray("F,,,,,,,,,,\r\n");
        QTest::newRow("malformed") << QByteArray(R"({"A":{"latestTrade":)") << QByteArray("error");
        QTest::newRow("not an object") << QByteArray("[1,2]") << QByteArray("error");
        QTest::newRow("nothing known") << QByteArray("{}") << QByteArray();
    }

    void snapshotsMapToQuoteLines()
    {
        QFETCH(QByteArray, reply);
        QFETCH(QByteArray, lines);
        const SnapshotReader::Result read = SnapshotReader::read(reply);
        QCOMPARE(!read.error.isEmpty(), lines == "error");
        std::vector<QByteArray> codes;
        std::vector<ScripQuote> quotes;
        for (const auto &[symbol, quote] : read.quotes) {
            codes.push_back(symbol.toLatin1());
            quotes.push_back(quote);
        }
        if (lines != "error")
            QCOMPARE(ReplyBuilder::quotes({codes.begin(), codes.end()}, quotes, true), lines);
    }

    void oneRefreshServesEveryClientAndAnswersNeverWait()
    {
        FakeProvider fake;
        fake.setSnapshot("AAPL", FakeProvider::snapshot(10, 10.02, 10.01, 9.9, 10.2, 9.8, 1234, 9.95));
        fake.setSnapshot("MSFT", FakeProvider::snapshot(20, 20.02, 20.01, 19.9, 20.2, 19.8, 5678, 20.01));
        QuoteService service({}, std::make_unique<AlpacaSource>(fastSettings(fake)));
        fake.server().holdWhen([](const QByteArray &) { return true; });
        QElapsedTimer asked;
        asked.start();
        for (int client = 0; client < 8; ++client)
            QCOMPARE(linesOf(service, ",aapl,MSFT,NOSUCH,"), QByteArray()); // nothing yet, and no wait for it
        QVERIFY2(asked.elapsed() < 500, qPrintable(QString::number(asked.elapsed())));
        QTRY_COMPARE_WITH_TIMEOUT(fake.server().heldCount(), 1, 2000);
        fake.server().holdWhen({});
        fake.server().releaseHeld();
        QTRY_VERIFY_WITH_TIMEOUT(!linesOf(service, "AAPL").isEmpty(), 2000);
        QVERIFY2(asked.elapsed() < 2000, qPrintable(QString::number(asked.elapsed())));
        const QHttpServerResponse reply = service.answer(quoteQuery(",aapl,MSFT,NOSUCH,", true));
        QCOMPARE(reply.data(), QByteArray("AAPL,10.00,10.02,10.01,(+0.60%),UP,10.20,9.80,1234,9.90,9.95\r\n"
                                          "MSFT,20.00,20.02,20.01,(0.00%),EVEN,20.20,19.80,5678,19.90,20.01\r\n"));
        QCOMPARE(reply.headers(QuoteProtocol::kSourceHeader), QList<QByteArray>{"Alpaca, IEX"});
        QCOMPARE(fake.snapshotRequests(), 1);
        QCOMPARE(fake.symbolsOf(0), (QStringList{"AAPL", "MSFT", "NOSUCH"}));
        fake.removeSnapshot("MSFT"); // no longer answered: its old snapshot is not passed on as new
        QTRY_COMPARE_WITH_TIMEOUT(linesOf(service, "MSFT,AAPL").count('\n'), 1, 2000);
    }

    void symbolsNewToARequestKeepTheLinesBeforeThem()
    {
        FakeProvider fake;
        fake.setSnapshot("AAPL", FakeProvider::snapshot(10, 10.02, 10.01, 9.9, 10.2, 9.8, 1234, 9.95));
        QuoteService service({}, std::make_unique<AlpacaSource>(fastSettings(fake)));
        linesOf(service, "AAPL");
        QTRY_VERIFY_WITH_TIMEOUT(!linesOf(service, "AAPL").isEmpty(), 2000);
        QString list = QStringLiteral("AAPL,");
        for (int number = 0; number < 20000; ++number)
            list += QStringLiteral("NEW%1,").arg(number); // the known codes move as these are added
        QCOMPARE(linesOf(service, list), linesOf(service, "AAPL"));
    }

    void batchesStayWithinTheUrlLength()
    {
        FakeProvider fake;
        fake.setMaxUrlBytes(600);
        QString list;
        for (int number = 1; number <= 300; ++number) {
            const QString symbol = QStringLiteral("S%1").arg(number, 3, 10, QLatin1Char('0'));
            fake.setSnapshot(symbol, FakeProvider::snapshot(1, 2, 1.5, 1, 2, 1, number, 1));
            list += symbol + u',';
        }
        ProviderSettings settings = fastSettings(fake);
        settings.maxUrlBytes = 2400; // refused twice, then halved to 600
        QuoteService service({}, std::make_unique<AlpacaSource>(settings));
        linesOf(service, list);
        QTRY_COMPARE_WITH_TIMEOUT(linesOf(service, list).count('\n'), 300, 10000);
        int asked = 0;
        for (int index = 0; index < fake.server().requests().size(); ++index)
            asked += fake.server().requestTarget(index).size() <= 600 ? int(fake.symbolsOf(index).size()) : 0;
        QVERIFY2(asked >= 300 && fake.snapshotRequests() > 2, qPrintable(QString::number(asked)));
    }

    void failuresKeepTheCacheAndBackOff_data()
    {
        QTest::addColumn<QByteArray>("failure");
        QTest::addColumn<bool>("stall");
        QTest::addColumn<int>("leastGapMs"); // from the failed request to the next one
        QTest::addColumn<QString>("logged");
        QTest::newRow("5xx") << FakeHttpServer::status(503, "Unavailable", "{}") << false << 500 << QString();
        QTest::newRow("time-out") << QByteArray() << true << 1000 << QString();
        QTest::newRow("malformed JSON") << FakeHttpServer::ok("{\"AAPL\":{") << false << 500 << "not read";
        QTest::newRow("40 MB body") << FakeHttpServer::ok(QByteArray(40 << 20, ' ')) << false << 500 << "longer than";
        QTest::newRow("429 with reset") << FakeHttpServer::status(429, "Too Many Requests", "{}")
                                               .replace("\r\n\r\n", "\r\nX-RateLimit-Reset: RESET\r\n\r\n")
                                        << false << 1500 << "limits the rate";
    }

    void failuresKeepTheCacheAndBackOff()
    {
        QFETCH(QByteArray, failure);
        QFETCH(bool, stall);
        QFETCH(int, leastGapMs);
        QFETCH(QString, logged);
        FakeProvider fake;
        fake.setSnapshot("AAPL", FakeProvider::snapshot(10, 10.02, 10.01, 9.9, 10.2, 9.8, 1234, 9.95));
        QuoteService service({}, std::make_unique<AlpacaSource>(fastSettings(fake)));
        const QByteArray cached = "AAPL,10.00,10.02,10.01,(+0.60%),UP,10.20,9.80,1234\r\n";
        linesOf(service, "AAPL");
        QTRY_COMPARE_WITH_TIMEOUT(linesOf(service, "AAPL"), cached, 2000);
        g_log.clear();
        // The reset time, three seconds from now, in Unix seconds.
        failure.replace("RESET", QByteArray::number(QDateTime::currentSecsSinceEpoch() + 3));
        fake.server().enqueue(FakeHttpServer::Reply{failure, true, 0, stall});
        const int failed = fake.snapshotRequests();
        QTRY_COMPARE_WITH_TIMEOUT(fake.snapshotRequests(), failed + 1, 2000);
        QTRY_COMPARE_WITH_TIMEOUT(fake.snapshotRequests(), failed + 2, 5000);
        QCOMPARE(linesOf(service, "AAPL"), cached); // answered from the cache all along
        const QList<qint64> times = fake.snapshotTimesMs();
        const qint64 gap = times.at(times.size() - 1) - times.at(times.size() - 2);
        QVERIFY2(gap >= leastGapMs, qPrintable(QString::number(gap)));
        if (!logged.isEmpty())
            QCOMPARE(logCount(logged), 1);
    }

    void refusedKeyStopsAsking_data()
    {
        QTest::addColumn<QByteArray>("secret");
        QTest::addColumn<int>("status");
        QTest::newRow("no key: 401") << QByteArray() << 401;
        QTest::newRow("wrong key: 403") << QByteArray("wrong") << 403;
    }

    void refusedKeyStopsAsking()
    {
        QFETCH(QByteArray, secret);
        QFETCH(int, status);
        FakeProvider fake;
        ProviderSettings settings = fastSettings(fake);
        settings.secretKey = secret;
        g_log.clear();
        QuoteService service({}, std::make_unique<AlpacaSource>(settings));
        linesOf(service, "AAPL");
        QTRY_COMPARE_WITH_TIMEOUT(fake.snapshotRequests(), 1, 2000);
        QTest::qWait(1000);
        QCOMPARE(fake.snapshotRequests(), 1);
        const QHttpServerResponse reply = service.answer(quoteQuery("AAPL"));
        QCOMPARE(reply.statusCode(), QHttpServerResponse::StatusCode::ServiceUnavailable);
        QVERIFY(reply.data().contains("refused the key"));
        QCOMPARE(logCount(QStringLiteral("refused the key (HTTP %1)").arg(status)), 1);
    }

    void aLongListIsRefreshedWithinTheRateBudget()
    {
        FakeProvider fake;
        QString list;
        for (int number = 1; number <= 100; ++number)
            list += QStringLiteral("R%1,").arg(number, 3, 10, QLatin1Char('0'));
        ProviderSettings settings = fastSettings(fake);
        settings.windowMs = 1000;
        settings.requestsPerWindow = 200;
        fake.setRateLimit(5);                               // counted from what the provider says
        settings.maxUrlBytes = fake.baseUrl().size() + 100; // some 12 symbols a request
        g_log.clear();
        QuoteService service({}, std::make_unique<AlpacaSource>(settings));
        for (QElapsedTimer running; !running.isValid() || running.elapsed() < 3000; QTest::qWait(100)) {
            if (!running.isValid())
                running.start();
            linesOf(service, list);
        }
        const QList<qint64> times = fake.snapshotTimesMs();
        QVERIFY(times.size() >= 10);
        for (int first = 0; first + 5 < times.size(); ++first)
            QVERIFY2(times.at(first + 5) - times.at(first) >= 1000 - 10, qPrintable(QString::number(first)));
        QCOMPARE(logCount(QStringLiteral("refreshed every")), 1);
    }

    void keyStaysOutOfArgumentsUrlsAndLogs()
    {
        FakeProvider fake;
        fake.setSnapshot("AAPL", FakeProvider::snapshot(10, 10.02, 10.01, 9.9, 10.2, 9.8, 1234, 9.95));
        QProcess service;
        startService(service, {"--source", "alpaca", "--port", "0", "--provider-url", fake.baseUrl(), "--assets-url",
                               fake.baseUrl()});
        QTRY_VERIFY_WITH_TIMEOUT(service.canReadLine(), 10000);
        const QByteArray listening = service.readLine();
        QVERIFY2(listening.contains("(Alpaca, IEX)"), listening.constData());
        const QByteArray port = listening.mid(listening.indexOf("127.0.0.1:") + 10).split('/').value(0);
        QTcpSocket client;
        client.connectToHost(QStringLiteral("127.0.0.1"), quint16(port.toUInt()));
        for (int ask = 0; ask < 30 && fake.snapshotRequests() == 0; ++ask, QTest::qWait(100))
            client.write("GET /quote?scr=AAPL&tl=1 HTTP/1.1\r\nHost: x\r\n\r\n");
        QByteArray replies;
        QTRY_VERIFY_WITH_TIMEOUT((replies += client.readAll()).contains("X-Quote-Source: Alpaca, IEX"), 5000);
        QFile arguments(QStringLiteral("/proc/%1/cmdline").arg(service.processId()));
        QVERIFY(arguments.open(QIODevice::ReadOnly));
        QByteArray seen = arguments.readAll();
        service.terminate();
        QVERIFY(service.waitForFinished(10000));
        seen += service.readAll() + service.readAllStandardError();
        for (int index = 0; index < fake.server().requests().size(); ++index)
            seen += fake.server().requestTarget(index);
        QVERIFY(seen.contains("asking for 1 snapshots")); // the debug lines were on
        QVERIFY(!seen.contains(FakeProvider::kSecret) && !seen.contains(FakeProvider::kKeyId));
    }

    void configFileIsRefusedWhenOthersCanReadIt_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("used");
        QTest::newRow("600") << 0600 << true;
        QTest::newRow("400") << 0400 << true;
        QTest::newRow("640: group reads") << 0640 << false;
        QTest::newRow("604: others read") << 0604 << false;
        QTest::newRow("620: group writes") << 0620 << false;
    }

    void configFileIsRefusedWhenOthersCanReadIt()
    {
        QFETCH(int, mode);
        QFETCH(bool, used);
        qunsetenv("APCA_API_KEY_ID");
        qunsetenv("APCA_API_SECRET_KEY");
        QTemporaryDir folder;
        const QString path = folder.filePath(QStringLiteral("service.conf"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("# mine\nsource = alpaca\nfeed = sip\nkey_id = ") + FakeProvider::kKeyId +
                   "\nsecret_key = " + FakeProvider::kSecret + "\n");
        file.close();
        QVERIFY(::chmod(QFile::encodeName(path).constData(), mode_t(mode)) == 0);
        ServiceSettings settings;
        QString error;
        QCOMPARE(ServiceConfig::apply(path, false, false, &settings, &error), used);
        QCOMPARE(settings.provider.secretKey == FakeProvider::kSecret, used);
        QCOMPARE(settings.source == QLatin1String("alpaca") && settings.provider.sourceName() == "Alpaca, SIP", used);
        QCOMPARE(error.contains(QStringLiteral("chmod 600 ") + path), !used);
        QVERIFY(!error.contains(QLatin1String(FakeProvider::kSecret)));
    }

    void onlyTheOwnUserIsAnswered_data()
    {
        QTest::addColumn<QString>("owner"); // of the connection in the table: "kernel" reads the real one
        QTest::addColumn<bool>("answered");
        QTest::newRow("own user, from the kernel's tables") << "kernel" << true;
        QTest::newRow("own user") << "own" << true;
        QTest::newRow("another user") << "other" << false;
        QTest::newRow("not in the tables") << "" << false;
    }

    void onlyTheOwnUserIsAnswered()
    {
        QFETCH(QString, owner);
        QFETCH(bool, answered);
        FakeProvider fake;
        QTemporaryDir folder;
        const QString table = folder.filePath(QStringLiteral("tcp"));
        ServiceSettings settings;
        if (owner != QLatin1String("kernel"))
            settings.peerTables = {table};
        QuoteService service(settings, std::make_unique<AlpacaSource>(fastSettings(fake)));
        const quint16 port = service.listen(0);
        QTcpSocket client;
        client.connectToHost(QStringLiteral("127.0.0.1"), port);
        QVERIFY(client.waitForConnected(5000));
        // The client's own end: its address and port first, the service's second.
        QFile file(table);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(
            "  sl  local_address rem_address   st tx_queue rx_queue tr tm->when retrnsmt   uid  timeout inode\n");
        const qint64 uid = owner == QLatin1String("own") ? qint64(::getuid()) : qint64(::getuid()) + 1;
        if (!owner.isEmpty() && owner != QLatin1String("kernel"))
            file.write(
                QStringLiteral("   0: 0100007F:%1 0100007F:%2 01 00000000:00000000 00:00000000 00000000 %3 0 1\n")
                    .arg(client.localPort(), 4, 16, QLatin1Char('0'))
                    .arg(port, 4, 16, QLatin1Char('0'))
                    .arg(uid)
                    .toUpper()
                    .toLatin1());
        file.close();
        client.write("GET /quote?scr=AAPL&tl=1 HTTP/1.1\r\nHost: x\r\n\r\n");
        QByteArray received;
        for (QDeadlineTimer deadline(3000);
             !deadline.hasExpired() && client.state() == QTcpSocket::ConnectedState && !received.contains("\r\n\r\n");
             QTest::qWait(20))
            received += client.readAll();
        QCOMPARE(received.startsWith("HTTP/1.1 200"), answered);
        QCOMPARE(client.state() == QTcpSocket::ConnectedState, answered);
    }

    void searchUsesTheKeptListWhenTheProviderIsAway()
    {
        QTemporaryDir cache;
        ProviderSettings settings;
        {
            FakeProvider fake;
            fake.setAssets(R"([{"symbol":"TSLA","name":"Tesla, Inc. Common Stock","status":"active"},)"
                           R"({"symbol":"AAPL","name":"Apple Inc. Common Stock"},{"symbol":"BAD,SYM","name":"x"},)"
                           R"({"symbol":"NONAME","name":""},{"symbol":"aapl","name":"Again"}])");
            settings = fastSettings(fake, cache.path());
            ProviderAssets assets(settings);
            assets.start();
            QTRY_COMPARE_WITH_TIMEOUT(assets.size(), 2, 5000);
            QCOMPARE(assets.search(u"tesla"), QByteArray("TSLA,Tesla Inc. Common Stock\r\n"));
        }
        ProviderAssets kept(settings); // the fake is gone: its port answers no more
        kept.start();
        QCOMPARE(kept.search(u"INC"), QByteArray("AAPL,Apple Inc. Common Stock\r\nTSLA,Tesla Inc. Common Stock\r\n"));
    }

    void checkSaysWhetherTheKeyWorks_data()
    {
        QTest::addColumn<QByteArray>("secret");
        QTest::addColumn<bool>("reachable");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("says");
        QTest::newRow("accepted") << QByteArray(FakeProvider::kSecret) << true << 0
                                  << "accepted the key.\nFeed: IEX (the free plan";
        QTest::newRow("refused") << QByteArray("wrong") << true << 1 << "refused the key (HTTP 403)";
        QTest::newRow("unreachable") << QByteArray(FakeProvider::kSecret) << false << 1 << "cannot be reached";
    }

    void checkSaysWhetherTheKeyWorks()
    {
        QFETCH(QByteArray, secret);
        QFETCH(bool, reachable);
        QFETCH(int, exitCode);
        QFETCH(QString, says);
        auto fake = std::make_unique<FakeProvider>();
        const QString url = fake->baseUrl();
        if (!reachable)
            fake.reset();
        QProcess check;
        startService(check, {"--check", "--provider-url", url}, secret);
        QTRY_COMPARE_WITH_TIMEOUT(check.state(), QProcess::NotRunning, 20000);
        const QString output = QString::fromLocal8Bit(check.readAllStandardOutput());
        QCOMPARE(check.exitCode(), exitCode);
        QVERIFY2(output.contains(says), qPrintable(output));
        QVERIFY(!output.contains(QLatin1String(FakeProvider::kSecret)));
        if (exitCode == 0)
            QVERIFY2(output.contains(u"Rate budget: 200 requests a minute, 199 left"), qPrintable(output));
    }
};

QTEST_MAIN(tst_Provider)
#include "tst_provider.moc"
