#include "quotes/QuoteReply.h"
#include "quotes/QuoteTable.h"
#include "support/FindQuote.h"
#include "support/ParsedReply.h"

#include <QTest>

class tst_QuoteReply : public QObject
{
    Q_OBJECT

private slots:
    void nineFieldLineFillsEveryConvertibleField();
    void firstFetchReadsOpenAndPreviousClose();
    void shortAndOddLinesKeepDefaults();
    void linesSplitAtCrLfOnlyAndBlankLinesAreSkipped();
    void bytesSplitIntoTheLinesTextDoes_data();
    void bytesSplitIntoTheLinesTextDoes();
    void volumeRoundsHalfToEvenAndDropsOutOfRange();
    void findQuoteUpperCasesTheGridSymbolAndTakesTheFirst();
    void tableAgreesWithTheWalk();
    void longRepliesParseWhole();
    void everyFieldEndsAtItsComma_data();
    void everyFieldEndsAtItsComma();
    void tableReadsTheNumbersAsParseDoes_data();
    void tableReadsTheNumbersAsParseDoes();
    void tableFindsTheFirstLineWhereverItStands_data();
    void tableFindsTheFirstLineWhereverItStands();
    void tableForgetsTheLastReplyAndKeepsItsBody();
};

void tst_QuoteReply::nineFieldLineFillsEveryConvertibleField()
{
    const auto records = QuoteReply::parse(u"ABC,1,2,3,(x%),T,4,5,6", false);
    QCOMPARE(records.size(), size_t(1));
    const QuoteRecord &r = records.front();
    QCOMPARE(r.Symbol, QStringLiteral("ABC"));
    QCOMPARE(r.Bid, 1.0);
    QCOMPARE(r.Ask, 2.0);
    QCOMPARE(r.Ltp, 3.0);
    QCOMPARE(r.ChangePct, 0.0);
    QCOMPARE(r.TrendText, QStringLiteral("T"));
    QCOMPARE(r.High, 4.0);
    QCOMPARE(r.Low, 5.0);
    QCOMPARE(r.Volume, 6);
    QCOMPARE(r.Open, 0.0);
    QCOMPARE(r.PrevClose, 0.0);
}

void tst_QuoteReply::firstFetchReadsOpenAndPreviousClose()
{
    const QString line = QStringLiteral("ABC,1,2,3,(+1.5%),T,4,5,6,7,8,99");
    const QuoteRecord first = QuoteReply::parseLine(line, true);
    QCOMPARE(first.Open, 7.0);
    QCOMPARE(first.PrevClose, 8.0);
    QCOMPARE(first.ChangePct, 1.5);
    const QuoteRecord timer = QuoteReply::parseLine(line, false);
    QCOMPARE(timer.Open, 0.0);
    QCOMPARE(timer.PrevClose, 0.0);
    QCOMPARE(timer.Volume, 6);
}

void tst_QuoteReply::shortAndOddLinesKeepDefaults()
{
    const QuoteRecord alone = QuoteReply::parseLine(u"ABC", true);
    QCOMPARE(alone.Symbol, QStringLiteral("ABC"));
    QCOMPARE(alone.Bid, 0.0);
    QVERIFY(alone.TrendText.isEmpty());

    // A bad field leaves its neighbours alone.
    const QuoteRecord bad = QuoteReply::parseLine(u"X,oops,2,,(1%),,1e999,7,8", false);
    QCOMPARE(bad.Bid, 0.0);
    QCOMPARE(bad.Ask, 2.0);
    QCOMPARE(bad.Ltp, 0.0);
    QCOMPARE(bad.ChangePct, 1.0);
    QCOMPARE(bad.High, 0.0);
    QCOMPARE(bad.Low, 7.0);
    QCOMPARE(bad.Volume, 8);

    const QuoteRecord blankFirst = QuoteReply::parseLine(u" ABC,1", false);
    QCOMPARE(blankFirst.Symbol, QStringLiteral(" ABC"));

    const auto commas = QuoteReply::parse(u",,,,", false);
    QCOMPARE(commas.size(), size_t(1));
    QVERIFY(commas.front().Symbol.isEmpty());

    QCOMPARE(QuoteReply::parseLine(u"A,1,2,3,%)", false).ChangePct, 0.0);
    QCOMPARE(QuoteReply::parseLine(u"A,1,2,3,(%)", false).ChangePct, 0.0);
}

void tst_QuoteReply::linesSplitAtCrLfOnlyAndBlankLinesAreSkipped()
{
    QVERIFY(QuoteReply::parse(u"", false).empty());
    QVERIFY(QuoteReply::parse(u"\r\n   \r\n\r\n", false).empty());

    const auto records = QuoteReply::parse(u"A,1\r\n  \r\nB,2\nC,3\r\n\tD,4\r\n", false);
    QCOMPARE(records.size(), size_t(3));
    QCOMPARE(records[0].Symbol, QStringLiteral("A"));
    QCOMPARE(records[1].Symbol, QStringLiteral("B")); // a lone LF stays inside the line
    QCOMPARE(records[1].Bid, 0.0);                    // "2\nC" does not convert
    QCOMPARE(records[2].Symbol, QStringLiteral("\tD"));
}

void tst_QuoteReply::bytesSplitIntoTheLinesTextDoes_data()
{
    QTest::addColumn<QByteArray>("body");
    for (const char *body :
         {"", "\r", "\n", "\r\n", "A\r", "A\r\r\n", "\r\r\r\nB", "A\rB\r\nC", "A\nB\r\n\r\n", "\xC9T\xC9\r\n\xFF\r"})
        QTest::newRow(QByteArray(body).toPercentEncoding().constData()) << QByteArray(body);
}

// A refresh splits the reply's bytes; the text of the same bytes splits alike.
void tst_QuoteReply::bytesSplitIntoTheLinesTextDoes()
{
    QFETCH(QByteArray, body);
    const QString text = QString::fromLatin1(body);
    QStringList fromText;
    CrLfLines::forEach(QStringView(text), [&](QStringView line) { fromText.append(line.toString()); });
    QStringList fromBytes;
    CrLfLines::forEach(QLatin1StringView(body), [&](QLatin1StringView line) { fromBytes.append(line.toString()); });
    QCOMPARE(fromBytes, fromText);
}

void tst_QuoteReply::volumeRoundsHalfToEvenAndDropsOutOfRange()
{
    QCOMPARE(QuoteReply::parseLine(u"A,,,,,,,,12.5", false).Volume, 12);
    QCOMPARE(QuoteReply::parseLine(u"A,,,,,,,,13.5", false).Volume, 14);
    QCOMPARE(QuoteReply::parseLine(u"A,,,,,,,,3000000000", false).Volume, 3000000000LL);
    QCOMPARE(QuoteReply::parseLine(u"A,,,,,,,,1e19", false).Volume, 0);
}

void tst_QuoteReply::findQuoteUpperCasesTheGridSymbolAndTakesTheFirst()
{
    const auto records = QuoteReply::parse(u"ABC,1\r\nabc,2\r\nABC,3\r\n XYZ,4", false);
    QCOMPARE(FindQuote(records, QStringLiteral("abc")).Bid, 1.0);
    QCOMPARE(FindQuote(records, QStringLiteral("ABC")).Bid, 1.0);
    // A reply symbol in lower case, or with a blank in front, matches no grid row.
    QCOMPARE(FindQuote(records, QStringLiteral("XYZ")).Symbol, QString());
    QCOMPARE(FindQuote(records, QStringLiteral("NONE")).Bid, 0.0);
}

// What the table finds, asked first at position; none when no line matches.
static std::optional<QuoteNumbers> found(QuoteTable &table, QStringView symbol, qsizetype position, bool firstFetch)
{
    QuoteNumbers quote;
    if (!table.find(symbol, position, firstFetch, quote))
        return std::nullopt;
    return quote;
}

// What the refresh's table finds for the symbol, asked first at position,
// as the walk gives it: the Bid, or 0 for no line.
static double bidFound(const QString &body, const QString &symbol, qsizetype position = 0)
{
    QuoteTable table;
    table.read(body.toLatin1());
    return found(table, symbol, position, false).value_or(QuoteNumbers()).Bid;
}

void tst_QuoteReply::tableAgreesWithTheWalk()
{
    const QString body = QStringLiteral("ABC,1\r\nabc,2\r\nABC,3\r\nÉTÉ,4\r\n,5");
    const auto records = QuoteReply::parse(body, false);
    for (const QString &symbol : {u"abc"_qs, u"ABC"_qs, u"été"_qs, u""_qs, u"missing"_qs, u"Abc"_qs})
        for (qsizetype position : {0, 2, 4})
            QCOMPARE(bidFound(body, symbol, position), FindQuote(records, symbol).Bid);
}

void tst_QuoteReply::longRepliesParseWhole()
{
    QString body;
    for (int i = 0; i < 40000; ++i)
        body += QStringLiteral("S%1,%1\r\n").arg(i);
    const auto records = QuoteReply::parse(body, false);
    QCOMPARE(records.size(), size_t(40000));
    QCOMPARE(records.back().Bid, 39999.0);
    QCOMPARE(bidFound(body, QStringLiteral("s39999")), 39999.0);
}

using Numbers = QList<double>; // Bid, Ask, Ltp, ChangePct, High, Low, Volume, Open, PrevClose

void tst_QuoteReply::everyFieldEndsAtItsComma_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("firstFetch");
    QTest::addColumn<Numbers>("numbers");
    QTest::newRow("grouping is two fields") << "A,1,000,2" << false << Numbers{1, 0, 2, 0, 0, 0, 0, 0, 0};
    QTest::newRow("exponent markers") << "A,12e,3e,4e5" << false << Numbers{0, 0, 400000, 0, 0, 0, 0, 0, 0};
    QTest::newRow("blanks and tabs around") << "A, 7 ,\t8\t,9x" << false << Numbers{7, 8, 0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("signs and points alone") << "A,-,+,.,(-%)" << false << Numbers{0, 0, 0, 0, 0, 0, 0, 0, 0};
    QTest::newRow("overflow beside good fields") << "A,1e999,2,3" << false << Numbers{0, 2, 3, 0, 0, 0, 0, 0, 0};
    QTest::newRow("thirteen fields") << "A,1,2,3,(+0.5%),,4,5,6,7,8,9,10" << true
                                     << Numbers{1, 2, 3, 0.5, 4, 5, 6, 7, 8};
    QTest::newRow("empty last field") << "A,1,2,3,(+0.5%),T,4,5,6,7," << true << Numbers{1, 2, 3, 0.5, 4, 5, 6, 7, 0};
    QTest::newRow("only the first-fetch fields") << "A,,,,,,,,,9,9" << true << Numbers{0, 0, 0, 0, 0, 0, 0, 9, 9};
    QTest::newRow("volume with a fraction") << "A,,,,,,,,2.5e0" << false << Numbers{0, 0, 0, 0, 0, 0, 2, 0, 0};
    QTest::newRow("a line feed inside") << "A,1\n,2" << false << Numbers{0, 2, 0, 0, 0, 0, 0, 0, 0};
}

void tst_QuoteReply::everyFieldEndsAtItsComma()
{
    QFETCH(QString, line);
    QFETCH(bool, firstFetch);
    QFETCH(Numbers, numbers);
    const QuoteRecord r = QuoteReply::parseLine(line, firstFetch);
    QCOMPARE(r.Symbol, QStringLiteral("A"));
    const Numbers parsed{r.Bid, r.Ask, r.Ltp, r.ChangePct, r.High, r.Low, double(r.Volume), r.Open, r.PrevClose};
    QCOMPARE(parsed, numbers);
}

void tst_QuoteReply::tableReadsTheNumbersAsParseDoes_data()
{
    QTest::addColumn<bool>("firstFetch");
    QTest::newRow("timer") << false;
    QTest::newRow("first fetch") << true;
}

// Lines of every odd kind: the table's numbers are the records' numbers.
void tst_QuoteReply::tableReadsTheNumbersAsParseDoes()
{
    QFETCH(bool, firstFetch);
    const QString body = QStringLiteral("A,1,2,3,(+1.5%),UP,4,5,6,7,8,99\r\n"
                                        "  \r\n"
                                        "B,oops,2,,(1%),,1e999,7,8.5\r\n"
                                        "C\r\n"
                                        "D, 1.25 ,\t2e1,-3.,[2]],T,1,000,2147483648,9\r\n"
                                        "E,1\n2,3\r\n"
                                        "F,,,,%),,,,-2.5,1e-5,+.5");
    const std::vector<QuoteRecord> records = QuoteReply::parse(body, firstFetch);
    QuoteTable table;
    table.read(body.toLatin1());
    QCOMPARE(table.size(), qsizetype(records.size()));
    for (qsizetype i = 0; i < table.size(); ++i) {
        const QuoteRecord &record = records[size_t(i)];
        const std::optional<QuoteNumbers> numbers = found(table, record.Symbol, i, firstFetch);
        QVERIFY(numbers);
        QCOMPARE(numbers->Bid, record.Bid);
        QCOMPARE(numbers->Ask, record.Ask);
        QCOMPARE(numbers->Ltp, record.Ltp);
        QCOMPARE(numbers->ChangePct, record.ChangePct);
        QCOMPARE(numbers->Open, record.Open);
        QCOMPARE(numbers->High, record.High);
        QCOMPARE(numbers->Low, record.Low);
        QCOMPARE(numbers->PrevClose, record.PrevClose);
        QCOMPARE(numbers->Volume, record.Volume);
    }
    QCOMPARE(found(table, u"d", 0, firstFetch)->Volume, 2147483648LL); // past 32 bits
    QCOMPARE(found(table, u"f", 0, firstFetch)->Volume, -2);           // to even
}

void tst_QuoteReply::tableFindsTheFirstLineWhereverItStands_data()
{
    QTest::addColumn<QString>("body");
    QTest::addColumn<QString>("gridSymbol");
    QTest::addColumn<int>("position");
    QTest::addColumn<double>("bid"); // -1: no line
    const QString longSymbol(70, u'q');
    QTest::newRow("at its own position") << "A,1\r\nB,2"
                                         << "b" << 1 << 2.0;
    QTest::newRow("elsewhere") << "A,1\r\nB,2"
                               << "b" << 0 << 2.0;
    QTest::newRow("position beyond the reply") << "A,1\r\nB,2"
                                               << "A" << 9 << 1.0;
    QTest::newRow("a later duplicate at its position") << "DUP,1\r\nDUP,2"
                                                       << "dup" << 1 << 1.0;
    QTest::newRow("blank lines do not count") << "A,1\r\n \r\nB,2"
                                              << "B" << 1 << 2.0;
    QTest::newRow("a reply symbol in lower case") << "abc,1"
                                                  << "abc" << 0 << -1.0;
    QTest::newRow("a blank in front") << " ABC,1"
                                      << "ABC" << 0 << -1.0;
    QTest::newRow("absent") << "A,1"
                            << "Z" << 0 << -1.0;
    QTest::newRow("accented") << "ÉTÉ,4"
                              << "été" << 0 << 4.0;
    QTest::newRow("sharp s grows into two letters") << "STRASSE,5"
                                                    << "straße" << 0 << 5.0;
    // Replies are Latin-1 bytes: a grid symbol whose upper case leaves Latin-1 matches none.
    QTest::newRow("micro sign becomes Greek") << u"\u00B5,6\r\nM,7"_qs << u"\u00B5"_qs << 0 << -1.0;
    QTest::newRow("y with diaeresis leaves Latin-1") << u"\u00FF,7\r\nY,8"_qs << u"\u00FF"_qs << 0 << -1.0;
    QTest::newRow("beyond the basic plane") << u"?,3\r\n??,4"_qs << u"\U00010428"_qs << 0 << -1.0;
    QTest::newRow("Latin-1 letters upper-cased") << u"\u00C0\u00DE,5"_qs << u"\u00E0\u00FE"_qs << 0 << 5.0;
    QTest::newRow("longer than usual") << longSymbol.toUpper() + QStringLiteral(",8") << longSymbol << 0 << 8.0;
    QTest::newRow("empty symbols") << "X,1\r\n,9"
                                   << "" << 0 << 9.0;
}

// The walk through the records is the rule; the table must find what it finds.
void tst_QuoteReply::tableFindsTheFirstLineWhereverItStands()
{
    QFETCH(QString, body);
    QFETCH(QString, gridSymbol);
    QFETCH(int, position);
    QFETCH(double, bid);
    QVERIFY2(QString::fromLatin1(body.toLatin1()) == body, "a reply is Latin-1 bytes");
    QuoteTable table;
    table.read(body.toLatin1());
    const std::optional<QuoteNumbers> inTable = found(table, gridSymbol, position, false);
    QCOMPARE(inTable ? inTable->Bid : -1.0, bid);
    const std::vector<QuoteRecord> records = QuoteReply::parse(body, false);
    const QuoteRecord walked = FindQuote(records, gridSymbol);
    QCOMPARE(inTable ? inTable->Bid : 0.0, walked.Bid);
}

void tst_QuoteReply::tableForgetsTheLastReplyAndKeepsItsBody()
{
    QuoteTable table;
    {
        QByteArray body;
        for (int i = 0; i < 1000; ++i)
            body += QStringLiteral("S%1,%1\r\n").arg(i).toLatin1();
        table.read(body);
    } // the table's share is the only one left
    QCOMPARE(found(table, u"s999", 999, false)->Bid, 999.0);
    QCOMPARE(found(table, u"s5", 0, false)->Bid, 5.0);

    table.read("S1,1");
    QCOMPARE(table.size(), 1);
    QVERIFY(!found(table, u"s999", 999, false));
    QVERIFY(!found(table, u"s5", 0, false));
    table.clear();
    QVERIFY(table.isEmpty());
    QVERIFY(!found(table, u"s1", 0, false));
}

QTEST_APPLESS_MAIN(tst_QuoteReply)
#include "tst_quotereply.moc"
