#include "quotes/QuoteReply.h"
#include "quotes/QuoteRequest.h"
#include "search/SearchReply.h"
#include "search/SearchRequest.h"
#include "service/AdvertPicture.h"
#include "service/Catalogue.h"
#include "service/Market.h"
#include "service/QuoteService.h"
#include "service/ReplyBuilder.h"
#include "service/ServiceOptions.h"
#include "service/ServiceRequest.h"
#include "service/SignalWatcher.h"

#include <QBuffer>
#include <QHttpServerResponse>
#include <QImage>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include <csignal>
#include <memory>

namespace {

constexpr int kFetchTimeoutMs = 30000;
constexpr int kLongestList = 32765; // the most scrips the program's list can hold
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

ServiceSettings settingsWith(int synthetic = 0, int adEvery = 0)
{
    ServiceSettings settings;
    settings.seed = 7;
    settings.synthetic = synthetic;
    settings.adEvery = adEvery;
    return settings;
}

QStringList symbolsOf(const std::vector<QuoteRecord> &records)
{
    QStringList symbols;
    for (const QuoteRecord &record : records)
        symbols.append(record.Symbol);
    return symbols;
}

struct Fetched
{
    int status = 0;
    QByteArray body;
    QList<QNetworkReply::RawHeaderPair> headers;
    bool finished = false;

    QByteArray header(const QByteArray &name) const
    {
        for (const auto &[key, value] : headers) {
            if (key.compare(name, Qt::CaseInsensitive) == 0)
                return value;
        }
        return {};
    }
};

Fetched collect(QNetworkReply *reply)
{
    std::unique_ptr<QNetworkReply, void (*)(QNetworkReply *)> owner(reply, [](QNetworkReply *r) { r->deleteLater(); });
    Fetched fetched;
    if (!reply->isFinished()) {
        QSignalSpy finished(reply, &QNetworkReply::finished);
        finished.wait(kFetchTimeoutMs);
    }
    fetched.finished = reply->isFinished();
    fetched.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    fetched.body = reply->readAll();
    fetched.headers = reply->rawHeaderPairs();
    return fetched;
}

Fetched get(QNetworkAccessManager &manager, const QString &url)
{
    return collect(manager.get(QNetworkRequest(QUrl(url, QUrl::StrictMode))));
}

} // namespace

class tst_Service : public QObject
{
    Q_OBJECT

private slots:
    void bundledCatalogueIsSound();
    void catalogueFindsCodesInAnyCase();
    void catalogueRejectsBadLines_data();
    void catalogueRejectsBadLines();
    void syntheticScripsFollowTheRealOnes();

    void requestsAreRead_data();
    void requestsAreRead();
    void valuesAreLatin1Bytes();

    void quotesReadBackThroughTheProgramsParser_data();
    void quotesReadBackThroughTheProgramsParser();
    void quoteLinesArePlainDecimals();
    void emptyListGivesEmptyBody_data();
    void emptyListGivesEmptyBody();
    void searchMatchesCodeOrNameInAnyCase();
    void searchStopsAtFifty();
    void changeTrendAndPriceTexts();

    void randomWalkKeepsItsPromises();
    void refreshesShowRisesFallsAndUnchanged();
    void sameSeedSamePrices();

    void advertIsAJpegOfAboutThreeHundredFifty();
    void everyNthRequestIsTheAdvert();
    void malformedRequestsAreRefused_data();
    void malformedRequestsAreRefused();

    void httpQuotesCarryContentLength();
    void httpEmptyListHasZeroLength();
    void httpAdvertCarriesItsMarker();
    void httpRefusesOtherPathsAndMethods();
    void httpAnswersTheLongestRequest();
    void httpServesSeveralClientsAtOnce();

    void optionsReadTheCommandLine();
    void optionsRejectBadValues_data();
    void optionsRejectBadValues();
    void signalWatcherTurnsSigtermIntoASignal();
};

void tst_Service::bundledCatalogueIsSound()
{
    const Catalogue catalogue = Catalogue::bundled();
    QVERIFY(catalogue.size() >= 150);
    for (int index = 0; index < catalogue.size(); ++index) {
        const Scrip &scrip = catalogue.at(index);
        QCOMPARE(scrip.code, scrip.code.toUpper());
        QVERIFY2(scrip.code.size() <= 20, qPrintable(scrip.code));
        QVERIFY2(!scrip.name.contains(u','), qPrintable(scrip.name));
        QVERIFY(scrip.referenceCents > 0);
        QCOMPARE(catalogue.indexOf(scrip.code), index); // codes are unique
    }
}

void tst_Service::catalogueFindsCodesInAnyCase()
{
    const Catalogue catalogue = Catalogue::bundled();
    QVERIFY(catalogue.indexOf(u"INFY") >= 0);
    QCOMPARE(catalogue.indexOf(u"infy"), catalogue.indexOf(u"INFY"));
    QCOMPARE(catalogue.indexOf(u"m&m"), catalogue.indexOf(u"M&M"));
    QCOMPARE(catalogue.indexOf(u"NOSUCHCODE"), -1);
    QCOMPARE(catalogue.indexOf(u""), -1);
}

void tst_Service::catalogueRejectsBadLines_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QString>("reason");
    QTest::newRow("four fields") << QByteArray("code,name,price\nA,Alpha, Inc,10\n") << "line 2:";
    QTest::newRow("two fields") << QByteArray("code,name,price\nA,Alpha\n") << "line 2:";
    QTest::newRow("bad price") << QByteArray("code,name,price\nA,Alpha,ten\n") << "line 2:";
    QTest::newRow("zero price") << QByteArray("code,name,price\nA,Alpha,0\n") << "line 2:";
    QTest::newRow("twice") << QByteArray("code,name,price\nA,Alpha,1\n\na,Again,2\n") << "line 4:";
    QTest::newRow("empty code") << QByteArray("code,name,price\n,Alpha,1\n") << "line 2:";
}

void tst_Service::catalogueRejectsBadLines()
{
    QFETCH(QByteArray, text);
    QFETCH(QString, reason);
    QBuffer buffer(&text);
    buffer.open(QIODevice::ReadOnly);
    Catalogue catalogue;
    QString error;
    QVERIFY(!catalogue.load(buffer, &error));
    QVERIFY2(error.startsWith(reason), qPrintable(error));
}

void tst_Service::syntheticScripsFollowTheRealOnes()
{
    Catalogue first = Catalogue::bundled();
    const int real = first.size();
    first.addSynthetic(3, 11);
    QCOMPARE(first.size(), real + 3);
    QCOMPARE(first.at(real).code, QStringLiteral("SYN00001"));
    QCOMPARE(first.at(real + 2).code, QStringLiteral("SYN00003"));
    QCOMPARE(first.indexOf(u"syn00002"), real + 1);
    Catalogue second = Catalogue::bundled();
    second.addSynthetic(3, 11);
    for (int index = real; index < real + 3; ++index) {
        QCOMPARE(first.at(index).referenceCents, second.at(index).referenceCents);
        QVERIFY(first.at(index).referenceCents >= 1000 && first.at(index).referenceCents <= 500000);
    }
}

void tst_Service::requestsAreRead_data()
{
    QTest::addColumn<QString>("query");
    QTest::addColumn<int>("kind");
    QTest::addColumn<QStringList>("symbols");
    QTest::addColumn<bool>("firstFetch");
    QTest::addColumn<QString>("searchText");
    const int quotes = int(ServiceRequest::Kind::Quotes);
    const int search = int(ServiceRequest::Kind::Search);
    QTest::newRow("list") << "scr=,A,B,&tl=1" << quotes << QStringList{"A", "B"} << false << QString();
    QTest::newRow("first fetch") << "scr=A&tl=1&ft=1" << quotes << QStringList{"A"} << true << QString();
    QTest::newRow("any order") << "tl=1&ft=1&scr=A" << quotes << QStringList{"A"} << true << QString();
    QTest::newRow("empty entries") << "scr=,,A,,,b,&tl=1" << quotes << QStringList{"A", "b"} << false << QString();
    QTest::newRow("empty list") << "scr=&tl=1" << quotes << QStringList() << false << QString();
    QTest::newRow("ampersand") << "scr=M%26M&tl=1" << quotes << QStringList{"M&M"} << false << QString();
    QTest::newRow("encoded comma stays") << "scr=A%2CB&tl=1" << quotes << QStringList{"A,B"} << false << QString();
    QTest::newRow("stray ampersands") << "&scr=A&&tl=1&" << quotes << QStringList{"A"} << false << QString();
    QTest::newRow("search") << "src=tata%20mot&tl=1" << search << QStringList() << false << "tata mot";
    QTest::newRow("plus is space") << "src=tata+mot&tl=1" << search << QStringList() << false << "tata mot";
    QTest::newRow("empty search") << "src=&tl=1" << search << QStringList() << false << QString();
}

void tst_Service::requestsAreRead()
{
    QFETCH(QString, query);
    QFETCH(int, kind);
    QFETCH(QStringList, symbols);
    QFETCH(bool, firstFetch);
    QFETCH(QString, searchText);
    const ServiceRequest request = ServiceRequest::parse(query);
    QCOMPARE(int(request.kind()), kind);
    QCOMPARE(request.symbols(), symbols);
    QCOMPARE(request.firstFetch(), firstFetch);
    QCOMPARE(request.searchText(), searchText);
}

void tst_Service::valuesAreLatin1Bytes()
{
    QString decoded;
    QVERIFY(ServiceRequest::decode(u"%C9T%e9", &decoded));
    QCOMPARE(decoded, QString::fromLatin1("\xC9T\xE9"));
    // Beyond Latin-1 the program sends UTF-8: each byte stays one character.
    QVERIFY(ServiceRequest::decode(u"%E2%82%AC", &decoded));
    QCOMPARE(decoded, QString::fromLatin1("\xE2\x82\xAC"));
    QVERIFY(!ServiceRequest::decode(u"%ZZ", &decoded));
    QVERIFY(!ServiceRequest::decode(u"A%4", &decoded));
    QVERIFY(!ServiceRequest::decode(u"A%", &decoded));
}

void tst_Service::quotesReadBackThroughTheProgramsParser_data()
{
    QTest::addColumn<bool>("firstFetch");
    QTest::newRow("timer refresh") << false;
    QTest::newRow("first fetch") << true;
}

void tst_Service::quotesReadBackThroughTheProgramsParser()
{
    QFETCH(bool, firstFetch);
    QuoteService service(settingsWith());
    const QHttpServerResponse response = service.answer(quoteQuery(u",tcs,INFY,,NOSUCH,M&M,Infy,", firstFetch));
    QCOMPARE(response.statusCode(), QHttpServerResponse::StatusCode::Ok);
    QVERIFY(response.mimeType().startsWith("text/plain"));
    const std::vector<QuoteRecord> records = QuoteReply::parse(QString::fromLatin1(response.data()), firstFetch);
    QCOMPARE(symbolsOf(records), (QStringList{"TCS", "INFY", "M&M", "INFY"}));
    for (const QuoteRecord &record : records) {
        QVERIFY(record.Bid > 0 && record.Bid < record.Ltp && record.Ltp < record.Ask);
        QVERIFY(record.Low <= record.Ltp && record.Ltp <= record.High);
        QVERIFY(record.Volume > 0);
        QVERIFY(record.TrendText == u"UP" || record.TrendText == u"DOWN" || record.TrendText == u"EVEN");
        QCOMPARE(record.Open > 0, firstFetch);
        QCOMPARE(record.PrevClose > 0, firstFetch);
        if (firstFetch) {
            const double change = (record.Ltp - record.PrevClose) * 100 / record.PrevClose;
            QVERIFY(qAbs(record.ChangePct - change) < 0.006);
        }
    }
}

void tst_Service::quoteLinesArePlainDecimals()
{
    QuoteService service(settingsWith());
    const QByteArray body = service.answer(quoteQuery(u"RELIANCE,MRF,IDEA,YESBANK", true)).data();
    QVERIFY(body.endsWith("\r\n"));
    const QStringList lines = QString::fromLatin1(body.chopped(2)).split(QStringLiteral("\r\n"));
    QCOMPARE(lines.size(), 4);
    static const QRegularExpression kLine(QStringLiteral(
        R"(^[A-Z0-9&-]+(,\d+\.\d\d){3},\((\+|-)?\d+\.\d\d%\),(UP|DOWN|EVEN)(,\d+\.\d\d){2},\d+(,\d+\.\d\d){2}$)"));
    for (const QString &line : lines)
        QVERIFY2(kLine.match(line).hasMatch(), qPrintable(line));
}

void tst_Service::emptyListGivesEmptyBody_data()
{
    QTest::addColumn<QString>("list");
    QTest::newRow("nothing") << QString();
    QTest::newRow("commas only") << ",,,";
    QTest::newRow("unknown symbols") << ",NOSUCH,ZZZZ,";
}

void tst_Service::emptyListGivesEmptyBody()
{
    QFETCH(QString, list);
    QuoteService service(settingsWith());
    const QHttpServerResponse response = service.answer(quoteQuery(list, false));
    QCOMPARE(response.statusCode(), QHttpServerResponse::StatusCode::Ok);
    QVERIFY(response.data().isEmpty());
    QVERIFY(QuoteReply::parse(QString::fromLatin1(response.data()), false).empty());
}

void tst_Service::searchMatchesCodeOrNameInAnyCase()
{
    QuoteService service(settingsWith());
    const Catalogue &catalogue = service.catalogue();
    QStringList expected;
    for (int index = 0; index < catalogue.size(); ++index) {
        const Scrip &scrip = catalogue.at(index);
        if (scrip.code.contains(u"tata", Qt::CaseInsensitive) || scrip.name.contains(u"tata", Qt::CaseInsensitive))
            expected.append(scrip.code + u'|' + scrip.name);
    }
    QVERIFY(expected.size() >= 5);
    const std::vector<SearchResult> results =
        SearchReply::parse(QString::fromLatin1(service.answer(searchQuery(u"tAtA")).data()));
    QStringList found;
    for (const SearchResult &result : results)
        found.append(result.code + u'|' + result.companyName);
    QCOMPARE(found, expected);

    const std::vector<SearchResult> byCode =
        SearchReply::parse(QString::fromLatin1(service.answer(searchQuery(u"infy")).data()));
    QCOMPARE(byCode.size(), size_t(1));
    QCOMPARE(byCode[0].code, QStringLiteral("INFY"));
    QCOMPARE(byCode[0].companyName, QStringLiteral("Infosys Ltd"));
    const QByteArray withSpace = service.answer(searchQuery(u"larsen & toubro")).data();
    QCOMPARE(withSpace, QByteArray("LT,Larsen & Toubro Ltd\r\n"));
    QVERIFY(service.answer(searchQuery(u"no such company")).data().isEmpty());
}

void tst_Service::searchStopsAtFifty()
{
    QuoteService service(settingsWith(200));
    const std::vector<SearchResult> results =
        SearchReply::parse(QString::fromLatin1(service.answer(searchQuery(u"synthetic")).data()));
    QCOMPARE(int(results.size()), Catalogue::kMaxSearchResults);
    QCOMPARE(results.front().code, QStringLiteral("SYN00001"));
    QCOMPARE(results.back().code, QStringLiteral("SYN00050"));
}

void tst_Service::changeTrendAndPriceTexts()
{
    QCOMPARE(ReplyBuilder::changeText(10053, 10000), QByteArray("(+0.53%)"));
    QCOMPARE(ReplyBuilder::changeText(9880, 10000), QByteArray("(-1.20%)"));
    QCOMPARE(ReplyBuilder::changeText(10000, 10000), QByteArray("(0.00%)"));
    QCOMPARE(ReplyBuilder::changeText(1000000, 1000005), QByteArray("(0.00%)")); // never "-0.00"
    QCOMPARE(ReplyBuilder::trendText(2, 1), QByteArray("UP"));
    QCOMPARE(ReplyBuilder::trendText(1, 2), QByteArray("DOWN"));
    QCOMPARE(ReplyBuilder::trendText(1, 1), QByteArray("EVEN"));
    QByteArray text;
    ReplyBuilder::appendCents(text, 123450);
    text += ' ';
    ReplyBuilder::appendCents(text, 5);
    text += ' ';
    ReplyBuilder::appendCents(text, 10000000);
    QCOMPARE(text, QByteArray("1234.50 0.05 100000.00"));
}

void tst_Service::randomWalkKeepsItsPromises()
{
    const Catalogue catalogue = Catalogue::bundled();
    Market market(catalogue, 3);
    std::vector<ScripQuote> before(size_t(catalogue.size()));
    for (int index = 0; index < catalogue.size(); ++index)
        before[size_t(index)] = market.quote(index, 0);
    for (qint64 second = 1; second <= 1800; second += 3) {
        for (int index = 0; index < catalogue.size(); ++index) {
            const ScripQuote now = market.quote(index, second * 1000);
            const ScripQuote &then = before[size_t(index)];
            QVERIFY(0 < now.bidCents && now.bidCents < now.lastCents && now.lastCents < now.askCents);
            QVERIFY(now.lowCents <= now.lastCents && now.lastCents <= now.highCents);
            QVERIFY(now.highCents >= then.highCents && now.lowCents <= then.lowCents);
            QVERIFY(now.volume >= then.volume);
            QCOMPARE(now.openCents, then.openCents);
            QCOMPARE(now.prevCloseCents, then.prevCloseCents);
            QCOMPARE(now.lastCents % Market::kTickCents, 0);
            before[size_t(index)] = now;
        }
    }
}

void tst_Service::refreshesShowRisesFallsAndUnchanged()
{
    const Catalogue catalogue = Catalogue::bundled();
    Market market(catalogue, 5);
    int rises = 0, falls = 0, unchanged = 0;
    for (int index = 0; index < catalogue.size(); ++index) {
        qint64 previous = market.quote(index, 0).lastCents;
        for (qint64 ms = 5000; ms <= 300000; ms += 5000) { // a refresh every 5 s
            const qint64 last = market.quote(index, ms).lastCents;
            (last > previous ? rises : last < previous ? falls : unchanged) += 1;
            previous = last;
        }
    }
    const double total = rises + falls + unchanged;
    qInfo("rises %.0f%%, falls %.0f%%, unchanged %.0f%%", 100 * rises / total, 100 * falls / total,
          100 * unchanged / total);
    QVERIFY(rises / total > 0.15);
    QVERIFY(falls / total > 0.15);
    QVERIFY(unchanged / total > 0.35);
}

void tst_Service::sameSeedSamePrices()
{
    Catalogue catalogue = Catalogue::bundled();
    catalogue.addSynthetic(50, 9);
    Market watched(catalogue, 9);
    Market untouched(catalogue, 9);
    Market other(catalogue, 10);
    int differences = 0;
    for (int index = 0; index < catalogue.size(); ++index) {
        for (qint64 ms = 0; ms <= 60000; ms += 1500)
            watched.quote(index, ms); // asked often, or only at the end: the same walk
        const ScripQuote a = watched.quote(index, 60000);
        const ScripQuote b = untouched.quote(index, 60000);
        QCOMPARE(a.lastCents, b.lastCents);
        QCOMPARE(a.bidCents, b.bidCents);
        QCOMPARE(a.askCents, b.askCents);
        QCOMPARE(a.highCents, b.highCents);
        QCOMPARE(a.lowCents, b.lowCents);
        QCOMPARE(a.volume, b.volume);
        differences += other.quote(index, 60000).lastCents != a.lastCents;
    }
    QVERIFY(differences > catalogue.size() / 2);
}

void tst_Service::advertIsAJpegOfAboutThreeHundredFifty()
{
    const QByteArray bytes = AdvertPicture::jpeg(QStringLiteral("example.com"));
    QVERIFY(bytes.startsWith("\xFF\xD8\xFF"));
    QVERIFY(bytes.endsWith("\xFF\xD9"));
    QImage image;
    QVERIFY(image.loadFromData(bytes, "JPG"));
    QCOMPARE(image.size(), QSize(350, 350));
    // Drawn, not blank: the headline and chart leave many colours.
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 5) {
        for (int x = 0; x < image.width(); x += 5)
            colours.insert(image.pixel(x, y));
    }
    QVERIFY(colours.size() > 100);
}

void tst_Service::everyNthRequestIsTheAdvert()
{
    QuoteService service(settingsWith(0, 3));
    QCOMPARE(service.answer(quoteQuery(u"INFY", false)).mimeType(), QByteArray("text/plain; charset=ISO-8859-1"));
    QCOMPARE(service.answer(u"scr=INFY").statusCode(), QHttpServerResponse::StatusCode::BadRequest); // not counted
    QVERIFY(service.answer(searchQuery(u"infy")).data().startsWith("INFY,"));
    const QHttpServerResponse advert = service.answer(quoteQuery(u"INFY", false));
    QCOMPARE(advert.statusCode(), QHttpServerResponse::StatusCode::Ok);
    QCOMPARE(advert.mimeType(), QByteArray("image/jpeg"));
    QCOMPARE(advert.headers("PICS-Label"), QList<QByteArray>{"PICADS example.com"});
    QVERIFY(advert.data().startsWith("\xFF\xD8"));
    QVERIFY(service.answer(quoteQuery(u"INFY", false)).data().startsWith("INFY,"));
}

void tst_Service::malformedRequestsAreRefused_data()
{
    QTest::addColumn<QString>("query");
    QTest::newRow("no query") << QString();
    QTest::newRow("no list or text") << "tl=1";
    QTest::newRow("both") << "scr=A&src=B&tl=1";
    QTest::newRow("unknown") << "scr=A&tl=1&x=1";
    QTest::newRow("repeated") << "scr=A&scr=B&tl=1";
    QTest::newRow("tl missing") << "scr=A";
    QTest::newRow("tl 2") << "scr=A&tl=2";
    QTest::newRow("tl empty") << "scr=A&tl";
    QTest::newRow("ft 0") << "scr=A&tl=1&ft=0";
    QTest::newRow("ft on search") << "src=abc&tl=1&ft=1";
    QTest::newRow("bad escape in list") << "scr=A%ZZ&tl=1";
    QTest::newRow("short escape in text") << "src=ab%4&tl=1";
}

void tst_Service::malformedRequestsAreRefused()
{
    QFETCH(QString, query);
    QuoteService service(settingsWith());
    const QHttpServerResponse response = service.answer(query);
    QCOMPARE(response.statusCode(), QHttpServerResponse::StatusCode::BadRequest);
    QVERIFY(response.mimeType().startsWith("text/plain"));
    const QByteArray body = response.data();
    QVERIFY(body.endsWith("\r\n"));
    QCOMPARE(body.count('\n'), 1);
    QVERIFY(body.size() > 5);
}

void tst_Service::httpQuotesCarryContentLength()
{
    QuoteService service(settingsWith());
    QVERIFY(service.listen(0) != 0);
    QNetworkAccessManager manager;
    const Fetched fetched = get(manager, QuoteRequest::url(service.baseAddress(), u",INFY,TCS,", true));
    QVERIFY(fetched.finished);
    QCOMPARE(fetched.status, 200);
    QCOMPARE(fetched.header("Content-Length"), QByteArray::number(fetched.body.size()));
    QCOMPARE(symbolsOf(QuoteReply::parse(QString::fromLatin1(fetched.body), true)), (QStringList{"INFY", "TCS"}));
    const Fetched search = get(manager, SearchRequest::url(service.baseAddress(), u"mahindra"));
    QCOMPARE(search.status, 200);
    QVERIFY(search.body.contains("M&M,Mahindra & Mahindra Ltd\r\n"));
}

void tst_Service::httpEmptyListHasZeroLength()
{
    QuoteService service(settingsWith());
    QVERIFY(service.listen(0) != 0);
    QNetworkAccessManager manager;
    const Fetched fetched = get(manager, QuoteRequest::url(service.baseAddress(), u"", false));
    QCOMPARE(fetched.status, 200);
    QCOMPARE(fetched.header("Content-Length"), QByteArray("0"));
    QVERIFY(fetched.body.isEmpty());
}

void tst_Service::httpAdvertCarriesItsMarker()
{
    ServiceSettings settings = settingsWith(0, 2);
    settings.adLink = QStringLiteral("tickerloom.example");
    QuoteService service(settings);
    QVERIFY(service.listen(0) != 0);
    QNetworkAccessManager manager;
    const QString url = QuoteRequest::url(service.baseAddress(), u"INFY", false);
    QCOMPARE(get(manager, url).header("PICS-Label"), QByteArray());
    const Fetched advert = get(manager, url);
    QCOMPARE(advert.status, 200);
    QCOMPARE(advert.header("Content-Type"), QByteArray("image/jpeg"));
    QCOMPARE(advert.header("PICS-Label"), QByteArray("PICADS tickerloom.example"));
    QCOMPARE(advert.header("Content-Length"), QByteArray::number(advert.body.size()));
    QCOMPARE(QImage::fromData(advert.body, "JPG").size(), QSize(350, 350));
    QVERIFY(get(manager, url).body.startsWith("INFY,")); // the repeated request gets its data
}

void tst_Service::httpRefusesOtherPathsAndMethods()
{
    QuoteService service(settingsWith());
    QVERIFY(service.listen(0) != 0);
    QNetworkAccessManager manager;
    const Fetched malformed = get(manager, service.baseAddress() + QStringLiteral("?scr=INFY&tl=2"));
    QCOMPARE(malformed.status, 400);
    QCOMPARE(malformed.body, QByteArray("tl must be 1\r\n"));
    const Fetched elsewhere = get(manager, service.baseAddress() + QStringLiteral("s?scr=INFY&tl=1"));
    QCOMPARE(elsewhere.status, 404);
    QNetworkRequest post(QUrl(QuoteRequest::url(service.baseAddress(), u"INFY", false)));
    post.setHeader(QNetworkRequest::ContentTypeHeader, QByteArray("application/x-www-form-urlencoded"));
    const Fetched posted = collect(manager.post(post, QByteArray()));
    QCOMPARE(posted.status, 405);
}

void tst_Service::httpAnswersTheLongestRequest()
{
    QuoteService service(settingsWith(kLongestList));
    QVERIFY(service.listen(0) != 0);
    QNetworkAccessManager manager;
    const int real = service.catalogue().size() - kLongestList;
    QString list = QStringLiteral(",");
    for (int index = real; index < service.catalogue().size(); ++index)
        list += service.catalogue().at(index).code.toLower() + u',';
    const Fetched known = get(manager, QuoteRequest::url(service.baseAddress(), list, true));
    QCOMPARE(known.status, 200);
    const std::vector<QuoteRecord> records = QuoteReply::parse(QString::fromLatin1(known.body), true);
    QCOMPARE(int(records.size()), kLongestList);
    QCOMPARE(records.front().Symbol, QStringLiteral("SYN00001"));
    QCOMPARE(records.back().Symbol, QStringLiteral("SYN32765"));

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

void tst_Service::httpServesSeveralClientsAtOnce()
{
    QuoteService service(settingsWith(500));
    QVERIFY(service.listen(0) != 0);
    constexpr int kClients = 4;
    constexpr int kRequestsEach = 3;
    std::vector<std::unique_ptr<QNetworkAccessManager>> managers;
    QList<QNetworkReply *> replies;
    for (int client = 0; client < kClients; ++client) {
        managers.push_back(std::make_unique<QNetworkAccessManager>());
        for (int request = 0; request < kRequestsEach; ++request)
            replies.append(managers.back()->get(QNetworkRequest(
                QUrl(QuoteRequest::url(service.baseAddress(), u"INFY,TCS,SYN00400", request == 0)))));
    }
    for (QNetworkReply *reply : replies) {
        const Fetched fetched = collect(reply);
        QCOMPARE(fetched.status, 200);
        QCOMPARE(fetched.body.count("\r\n"), 3);
    }
}

void tst_Service::optionsReadTheCommandLine()
{
    ServiceOptions options;
    QVERIFY(options.parse({"tickerloom-service", "--port", "0", "--seed", "42", "--synthetic", "100", "--ad-every",
                           "5", "--ad-link", "ads.example"}));
    QCOMPARE(options.settings().port, quint16(0));
    QCOMPARE(options.settings().seed, quint64(42));
    QCOMPARE(options.settings().synthetic, 100);
    QCOMPARE(options.settings().adEvery, 5);
    QCOMPARE(options.settings().adLink, QStringLiteral("ads.example"));
    ServiceOptions defaults;
    QVERIFY(defaults.parse({"tickerloom-service"}));
    QCOMPARE(defaults.settings().port, quint16(8425));
    QCOMPARE(defaults.settings().adEvery, 0);
    QCOMPARE(defaults.settings().synthetic, 0);
}

void tst_Service::optionsRejectBadValues_data()
{
    QTest::addColumn<QStringList>("arguments");
    QTest::newRow("port not a number") << QStringList{"--port", "http"};
    QTest::newRow("port too big") << QStringList{"--port", "70000"};
    QTest::newRow("negative seed") << QStringList{"--seed", "-1"};
    QTest::newRow("too many synthetic") << QStringList{"--synthetic", "99999999"};
    QTest::newRow("link with line break") << QStringList{"--ad-link", "a\r\nX-Evil: 1"};
    QTest::newRow("unknown option") << QStringList{"--colour"};
    QTest::newRow("stray argument") << QStringList{"8425"};
}

void tst_Service::optionsRejectBadValues()
{
    QFETCH(QStringList, arguments);
    ServiceOptions options;
    QVERIFY(!options.parse(QStringList{"tickerloom-service"} + arguments));
    QVERIFY(!options.error().isEmpty());
}

void tst_Service::signalWatcherTurnsSigtermIntoASignal()
{
    SignalWatcher watcher({SIGTERM});
    QVERIFY(watcher.isValid());
    QSignalSpy signalled(&watcher, &SignalWatcher::signalled);
    std::raise(SIGTERM);
    QVERIFY(signalled.wait(5000));
    QCOMPARE(signalled.takeFirst().at(0).toInt(), SIGTERM);
}

QTEST_MAIN(tst_Service)
#include "tst_service.moc"
