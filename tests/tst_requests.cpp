#include "quotes/QuoteRequest.h"
#include "search/SearchReply.h"
#include "search/SearchRequest.h"
#include "search/SearchText.h"
#include "web/QueryEncoding.h"

#include <QTest>
#include <QUrl>
#include <QUrlQuery>

class tst_Requests : public QObject
{
    Q_OBJECT

private slots:
    void quoteUrlCarriesTheListAndTheFirstFetchMarker();
    void watchListStringLosesItsDoubleCommas();
    void doubleCommasGoAsReplaceTakesThem();
    void encodingKeepsTheQueryWhole_data();
    void encodingKeepsTheQueryWhole();
    void searchTextDropsApostrophesAndOuterSpaces_data();
    void searchTextDropsApostrophesAndOuterSpaces();
    void searchUrlUsesSrc();
    void searchReplyTakesCodeAndFirstNameField();
};

void tst_Requests::quoteUrlCarriesTheListAndTheFirstFetchMarker()
{
    const QString base = QStringLiteral("http://h/quote");
    QCOMPARE(QuoteRequest::url(base, u",ABC,XYZ,", false), QStringLiteral("http://h/quote?scr=,ABC,XYZ,&tl=1"));
    QCOMPARE(QuoteRequest::url(base, u"ABC", true), QStringLiteral("http://h/quote?scr=ABC&tl=1&ft=1"));
    QCOMPARE(QuoteRequest::url(base, u"", false), QStringLiteral("http://h/quote?scr=&tl=1"));
}

void tst_Requests::watchListStringLosesItsDoubleCommas()
{
    QCOMPARE(QuoteRequest::listFromWatchList(u",A,,B,,C,"_qs), QStringLiteral(",A,B,C,"));
    QCOMPARE(QuoteRequest::listFromWatchList(QString()), QString());
    QCOMPARE(QuoteRequest::listFromWatchList(u",,,,"_qs), QStringLiteral(",,")); // one pass, left to right
}

// Any mix of commas and letters loses its double commas exactly as
// QString::replace takes them, pair by pair from the left.
void tst_Requests::doubleCommasGoAsReplaceTakesThem()
{
    for (int bits = 0; bits < (1 << 12); ++bits) {
        QString watchList;
        for (int i = 0; i < 12; ++i)
            watchList += bits & (1 << i) ? QChar(u',') : QChar(u'A' + i);
        QCOMPARE(QuoteRequest::listFromWatchList(watchList),
                 QString(watchList).replace(QStringLiteral(",,"), QStringLiteral(",")));
        // The request built straight from the watch-list string sends the same list.
        const bool firstFetch = bits % 2 == 0;
        // The address built straight from the watch-list string is the one its list's URL parses to,
        // for a list that needs encoding and a base with a query of its own too.
        const QString needsEncoding = watchList + u"M&M,"_qs;
        const QString base = bits % 3 == 0 ? u"http://h/q?k=v"_qs : u"http://h/q"_qs;
        for (const QString &list : {watchList, needsEncoding})
            QCOMPARE(QuoteRequest::watchListUrl(base, list, firstFetch),
                     QUrl(QuoteRequest::url(base, QuoteRequest::listFromWatchList(list), firstFetch)));
    }
}

void tst_Requests::encodingKeepsTheQueryWhole_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("encoded");
    QTest::newRow("plain list") << ",ABC,M-M.X_Y~,"
                                << ",ABC,M-M.X_Y~,";
    QTest::newRow("ampersand") << "M&M"
                               << "M%26M";
    QTest::newRow("hash") << "A#B"
                          << "A%23B";
    QTest::newRow("plus and percent") << "A+B%"
                                      << "A%2BB%25";
    QTest::newRow("space") << "tata motors"
                           << "tata%20motors";
    QTest::newRow("control") << QString("A\tB\r\n") << "A%09B%0D%0A";
    QTest::newRow("latin-1 as one byte") << QString::fromLatin1("\xC9T\xC9") << "%C9T%C9";
    QTest::newRow("beyond latin-1 as utf-8") << QString::fromUtf8("\xE2\x82\xAC") << "%E2%82%AC";
    QTest::newRow("a surrogate pair as one character") << QString::fromUtf8("\xF0\x9F\x93\x88") << "%F0%9F%93%88";
    // A lone high surrogate is a character of its own: the one after it keeps its single byte.
    QTest::newRow("lone surrogate before a latin-1 letter") << QString(QChar(0xD800)) + QChar(0xE9) + u'x' << "%3F%E9x";
    QTest::newRow("equals and question") << "a=b?c"
                                         << "a%3Db%3Fc";
}

void tst_Requests::encodingKeepsTheQueryWhole()
{
    QFETCH(QString, text);
    QFETCH(QString, encoded);
    QCOMPARE(QueryEncoding::encode(text), encoded);

    // The service reads back exactly the text, as one parameter.
    const QUrl url(SearchRequest::url(QStringLiteral("http://127.0.0.1:1/quote"), text));
    const QUrlQuery query(url);
    QCOMPARE(query.queryItems().size(), 2);
    QCOMPARE(QUrl(url.toString(QUrl::FullyEncoded)).query(QUrl::FullyEncoded), url.query(QUrl::FullyEncoded));
    QCOMPARE(url.fragment(), QString());
}

void tst_Requests::searchTextDropsApostrophesAndOuterSpaces_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("searchText");
    QTest::addColumn<bool>("enablesSearch");
    QTest::newRow("two letters") << "ab"
                                 << "ab" << false;
    QTest::newRow("three letters") << "abc"
                                   << "abc" << true;
    QTest::newRow("apostrophes between") << "a'b'c"
                                         << "abc" << true;
    QTest::newRow("apostrophes only") << "'''"
                                      << "" << false;
    QTest::newRow("outer spaces") << "  ab  "
                                  << "ab" << false;
    QTest::newRow("inner space kept") << " tata motors "
                                      << "tata motors" << true;
    QTest::newRow("tabs stay") << "\tab"
                               << "\tab" << true;
    QTest::newRow("spaces after removal") << " ' ab ' "
                                          << "ab" << false;
    QTest::newRow("case kept") << "InFy"
                               << "InFy" << true;
}

void tst_Requests::searchTextDropsApostrophesAndOuterSpaces()
{
    QFETCH(QString, box);
    QFETCH(QString, searchText);
    QFETCH(bool, enablesSearch);
    QCOMPARE(SearchText::fromBox(box), searchText);
    QCOMPARE(SearchText::enablesSearch(box), enablesSearch);
}

void tst_Requests::searchUrlUsesSrc()
{
    QCOMPARE(SearchRequest::url(QStringLiteral("http://h/q"), u"tata motors"),
             QStringLiteral("http://h/q?src=tata%20motors&tl=1"));
    QCOMPARE(SearchRequest::url(QStringLiteral("http://h/q"), u""), QStringLiteral("http://h/q?src=&tl=1"));
}

void tst_Requests::searchReplyTakesCodeAndFirstNameField()
{
    const auto rows = SearchReply::parse(u"A,Alpha Ltd\r\nB,Beta, Inc\r\n\r\nLONE\r\n  \r\nC,,x\r\n");
    QCOMPARE(rows.size(), size_t(5));
    QCOMPARE(rows[0].code, QStringLiteral("A"));
    QCOMPARE(rows[0].companyName, QStringLiteral("Alpha Ltd"));
    QCOMPARE(rows[1].companyName, QStringLiteral("Beta"));
    QCOMPARE(rows[2].code, QStringLiteral("LONE"));
    QCOMPARE(rows[2].companyName, QString());
    QCOMPARE(rows[3].code, QStringLiteral("  ")); // a line of spaces is not empty
    QCOMPARE(rows[4].companyName, QString());
    QVERIFY(SearchReply::parse(u"\r\n\r\n\r\n").empty());
    QVERIFY(SearchReply::parse(u"").empty());
}

QTEST_APPLESS_MAIN(tst_Requests)
#include "tst_requests.moc"
