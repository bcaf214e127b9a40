#include "quotes/PriceChart.h"
#include "quotes/QuoteRefresher.h"
#include "quotes/QuoteSource.h"
#include "watch/GridModel.h"
#include "watch/QuoteGridColumns.h"
#include "watch/TrendPictures.h"

#include "support/TestHelpers.h"

#include <QImage>
#include <QTest>
#include <algorithm>

using Col = QuoteGridColumns::Column;

// A grid with the given symbols and a spare row, and a refresher whose
// fetch answers with a scripted body and records the URLs it was asked for.
struct Board
{
    explicit Board(const QStringList &symbols)
        : grid(QuoteGridColumns::specs())
        , up(grid.addPicture(TrendPictures::up()))
        , down(grid.addPicture(TrendPictures::down()))
        , refresher(
              &grid,
              [this](const QUrl &url) {
                  urls.append(url.toString(QUrl::FullyEncoded));
                  return reply.toLatin1();
              },
              up, down)
    {
        grid.setRowCount(int(symbols.size()) + 1);
        for (int row = 1; row <= symbols.size(); ++row)
            grid.setText(row, Col::Symbol, symbols[row - 1]);
    }

    QString watchList() const
    {
        QString text;
        for (int row = 1; row < grid.rowCount(); ++row)
            text += u',' + grid.text(row, Col::Symbol) + u',';
        return text;
    }

    void refresh(bool firstFetch) { refresher.RefreshQuotes(watchList(), firstFetch); }

    GridModel grid;
    int up;
    int down;
    QuoteRefresher refresher;
    QString reply;
    QStringList urls;
};

class tst_QuoteRefresher : public QObject
{
    Q_OBJECT

private slots:
    void firstFetchFillsEveryColumnWithoutColours();
    void timerRefreshColoursByThePriceAsShown_data();
    void timerRefreshColoursByThePriceAsShown();
    void groupedPriceReadsBackWhole();
    void trendPictureFollowsTheSignAndStaysAtZero();
    void openAndPreviousCloseSurviveTimerRefreshes();
    void rowsMatchUpperCasedAndTheFirstRecordWins();
    void rowsMatchLatin1RepliesUpperCased();
    void rowTheReplyLeavesOutKeepsWhatItShowed();
    void openAndPreviousCloseComeOnceTheServiceAnswers();
    void openAndPreviousCloseStayBlankUntilALineBringsThem_data();
    void openAndPreviousCloseStayBlankUntilALineBringsThem();
    void volumesPastThirtyTwoBitsAreShown();
    void theStatusSaysWhetherThePricesAreCurrent();
    void statusWordsFollowTheState_data();
    void statusWordsFollowTheState();
    void sourceWordsAreKeptPrintableAndShort_data();
    void sourceWordsAreKeptPrintableAndShort();
    void rowsTheLatestRefreshLeftOutAreMarkedWithTheirTime();
    void eachRowTellsWhenItsQuoteCameWithItsPrices();
    void pricesStayWithTheirRowsWhateverOrderRowsArriveIn();
    void chartDrawsEachPriceAtItsOwnHeight_data();
    void chartDrawsEachPriceAtItsOwnHeight();
    void theChartGainsAPointPerRefresh();
    void theHistoryHoldsItsBoundAndThinsEvenly_data();
    void theHistoryHoldsItsBoundAndThinsEvenly();
    void emptyReplyChangesNoCell();
    void emptySymbolRowEndsThePass();
    void closingStopsThePainting();
    void oneRowRefreshTakesTheFirstRecord();
    void listsBeyondSixteenBitsRefresh();
    void aLaterDuplicateAtTheRowsOwnPositionLosesToTheFirst();
    void aReplyInAnotherOrderPaintsEveryRowItsOwnQuote();
    void laterRepliesToAListInOrderStillGiveTheFirstLine();
    void aShorterReplyLeavesNoQuoteOfTheLongerOneBefore();
    void readingAheadFindsWhatReadingInPlaceFinds_data();
    void readingAheadFindsWhatReadingInPlaceFinds();
    void theRequestFollowsTheListFirstFetchAndAddress();
    void anExpectedListsRequestServesThatListOnly_data();
    void anExpectedListsRequestServesThatListOnly();
};

void tst_QuoteRefresher::firstFetchFillsEveryColumnWithoutColours()
{
    Board board({"ABC", "XYZ"});
    board.reply = "ABC,1,2,3,(+1.5%),UP,4,5,600,7,8\r\nXYZ,9,10,11,(-0.5%),DN,12,13,1400,15,16\r\n";
    board.refresh(true);
    QCOMPARE(board.urls.size(), 1);
    QVERIFY(board.urls[0].endsWith(QStringLiteral("?scr=,ABC,XYZ,&tl=1&ft=1")));
    const GridModel &g = board.grid;
    QCOMPARE(g.text(1, Col::Bid), QStringLiteral("1.00"));
    QCOMPARE(g.text(1, Col::Ltp), QStringLiteral("3.00"));
    QCOMPARE(g.text(1, Col::ChangePct), QStringLiteral("1.50"));
    QCOMPARE(g.text(1, Col::Open), QStringLiteral("7.00"));
    QCOMPARE(g.text(1, Col::PrevClose), QStringLiteral("8.00"));
    QCOMPARE(g.text(1, Col::Volume), QStringLiteral("600"));
    QCOMPARE(g.text(2, Col::High), QStringLiteral("12.00"));
    QCOMPARE(g.text(2, Col::Volume), QStringLiteral("1,400"));
    QCOMPARE(g.backColour(1, Col::Ltp), GridModel::kNoColour);
    QCOMPARE(g.backColour(1, Col::Symbol), GridModel::kNoColour);
    QCOMPARE(g.text(3, Col::Bid), QString()); // the spare row is never painted
}

void tst_QuoteRefresher::timerRefreshColoursByThePriceAsShown_data()
{
    QTest::addColumn<QString>("newLtp");
    QTest::addColumn<uint>("colour");
    QTest::newRow("rose") << "101" << uint(QuoteRefresher::kRoseColour);
    QTest::newRow("fell") << "99.5" << uint(QuoteRefresher::kFellColour);
    QTest::newRow("same") << "100" << uint(QuoteRefresher::kSameColour);
    // The cell shows 100.00 for 100.004: both prices are compared as shown.
    QTest::newRow("beyond the shown decimals") << "100.001" << uint(QuoteRefresher::kSameColour);
    QTest::newRow("shown one cent up") << "100.006" << uint(QuoteRefresher::kRoseColour);
    QTest::newRow("shown one cent down") << "99.9949" << uint(QuoteRefresher::kFellColour);
}

void tst_QuoteRefresher::timerRefreshColoursByThePriceAsShown()
{
    QFETCH(QString, newLtp);
    QFETCH(uint, colour);
    Board board({"ABC"});
    board.reply = "ABC,1,2,100.004,(+1%),UP,4,5,6,7,8";
    board.refresh(true);
    QCOMPARE(board.grid.text(1, Col::Ltp), QStringLiteral("100.00"));
    board.reply = "ABC,1,2," + newLtp + ",(+1%),UP,4,5,6";
    board.refresh(false);
    QVERIFY(board.urls.last().endsWith(QStringLiteral("&tl=1")));
    QCOMPARE(board.grid.backColour(1, Col::Ltp), colour);
    QCOMPARE(board.grid.backColour(1, Col::Symbol), colour);
    QCOMPARE(board.grid.backColour(1, Col::Bid), GridModel::kNoColour);

    // A first fetch leaves the colours as they were.
    board.reply = "ABC,1,2,500,(+1%),UP,4,5,6,7,8";
    board.refresher.RefreshQuoteRow(1, true);
    QCOMPARE(board.grid.backColour(1, Col::Ltp), colour);
}

void tst_QuoteRefresher::groupedPriceReadsBackWhole()
{
    Board board({"ABC"});
    board.reply = "ABC,1,2,1234.50,(+1%),UP,4,5,6";
    board.refresh(false);
    QCOMPARE(board.grid.text(1, Col::Ltp), QStringLiteral("1,234.50"));
    board.reply = "ABC,1,2,1234.49,(+1%),UP,4,5,6";
    board.refresh(false);
    QCOMPARE(board.grid.backColour(1, Col::Ltp), QuoteRefresher::kFellColour); // not 1 against 1234.49
}

void tst_QuoteRefresher::trendPictureFollowsTheSignAndStaysAtZero()
{
    Board board({"ABC"});
    board.reply = "ABC,1,2,3,(0%),UP,4,5,6";
    board.refresh(false);
    QCOMPARE(board.grid.picture(1, Col::Trend), 0); // never had a change: empty
    board.reply = "ABC,1,2,3,(-0.5%),DN,4,5,6";
    board.refresh(false);
    QCOMPARE(board.grid.picture(1, Col::Trend), board.down);
    board.reply = "ABC,1,2,3,(0.00%),UP,4,5,6";
    board.refresh(false);
    QCOMPARE(board.grid.picture(1, Col::Trend), board.down); // left as it was
    board.reply = "ABC,1,2,3,(0.5%),UP,4,5,6";
    board.refresh(false);
    QCOMPARE(board.grid.picture(1, Col::Trend), board.up);
}

void tst_QuoteRefresher::openAndPreviousCloseSurviveTimerRefreshes()
{
    Board board({"ABC"});
    board.reply = "ABC,1,2,3,(1%),UP,4,5,6,70,80";
    board.refresh(true);
    board.reply = "ABC,1,2,3,(1%),UP,4,5,6,71,81"; // extra fields without "&ft=1" are ignored
    for (int i = 0; i < 3; ++i)
        board.refresh(false);
    QCOMPARE(board.grid.text(1, Col::Open), QStringLiteral("70.00"));
    QCOMPARE(board.grid.text(1, Col::PrevClose), QStringLiteral("80.00"));
}

void tst_QuoteRefresher::rowsMatchUpperCasedAndTheFirstRecordWins()
{
    Board board({"abc", "DUP", "low"});
    board.reply = "ABC,1\r\nDUP,2\r\nDUP,3\r\nlow,4\r\n";
    board.refresh(false);
    QCOMPARE(board.grid.text(1, Col::Bid), QStringLiteral("1.00"));
    QCOMPARE(board.grid.text(2, Col::Bid), QStringLiteral("2.00"));
    QCOMPARE(board.grid.text(3, Col::Bid), QString()); // a reply symbol in lower case matches nothing
}

// The reply comes as Latin-1 bytes; a grid symbol's upper case is compared character for character.
void tst_QuoteRefresher::rowsMatchLatin1RepliesUpperCased()
{
    Board board({u"\u00E9t\u00E9"_qs, u"stra\u00DFe"_qs, u"\u00B5"_qs, u"\u00FF"_qs});
    board.reply = u"\u00C9T\u00C9,1\r\nSTRASSE,2\r\n\u00B5,3\r\n\u00FF,4\r\nY,5\r\n?,6"_qs;
    board.refresh(false);
    QCOMPARE(board.grid.text(1, Col::Bid), QStringLiteral("1.00"));
    QCOMPARE(board.grid.text(2, Col::Bid), QStringLiteral("2.00"));
    // Their upper cases (Greek capital mu, Y with diaeresis) are no Latin-1 characters.
    QCOMPARE(board.grid.text(3, Col::Bid), QString());
    QCOMPARE(board.grid.text(4, Col::Bid), QString());
}

void tst_QuoteRefresher::rowTheReplyLeavesOutKeepsWhatItShowed()
{
    Board board({"ABC", "GONE", "NEVER"});
    board.reply = "ABC,1,2,3,(1%),UP,4,5,6,7,8\r\nGONE,1,2,3,(1%),UP,4,5,6,7,8";
    board.refresh(true);
    board.reply = "ABC,1,2,3,(1%),UP,4,5,6\r\nGONE,1,2,4,(1%),UP,4,5,6";
    board.refresh(false);
    board.reply = "ABC,1,2,3,(1%),UP,4,5,6";
    board.refresh(false);
    QCOMPARE(board.grid.text(2, Col::Ltp), QStringLiteral("4.00")); // never 0.00: no price the service did not send
    QCOMPARE(board.grid.text(2, Col::Volume), QStringLiteral("6"));
    QCOMPARE(board.grid.text(2, Col::Open), QStringLiteral("7.00"));
    QCOMPARE(board.grid.picture(2, Col::Trend), board.up);
    QCOMPARE(board.grid.backColour(2, Col::Symbol), QuoteRefresher::kRoseColour); // its last tick stays
    for (int col = Col::Bid; col <= Col::Volume; ++col)
        QVERIFY(board.grid.isEmpty(3, col)); // never answered: blank
    QCOMPARE(board.grid.backColour(3, Col::Symbol), GridModel::kNoColour);
}

void tst_QuoteRefresher::emptyReplyChangesNoCell()
{
    Board board({"ABC"});
    board.reply = "ABC,1,2,3,(1%),UP,4,5,6,7,8";
    board.refresh(true);
    for (const QString &empty : {QString(), u"\r\n  \r\n"_qs}) {
        board.reply = empty;
        board.refresh(false);
        QCOMPARE(board.grid.text(1, Col::Ltp), QStringLiteral("3.00"));
        QCOMPARE(board.grid.backColour(1, Col::Ltp), GridModel::kNoColour);
    }
    // An empty watch list still asks, with nothing between "?scr=" and "&tl=1".
    Board none({});
    none.refresh(true);
    QVERIFY(none.urls[0].endsWith(QStringLiteral("?scr=&tl=1&ft=1")));
}

void tst_QuoteRefresher::emptySymbolRowEndsThePass()
{
    Board board({"A", "", "C"});
    board.reply = "A,1\r\nC,3";
    board.refresh(false);
    QCOMPARE(board.grid.text(1, Col::Bid), QStringLiteral("1.00"));
    QCOMPARE(board.grid.text(3, Col::Bid), QString());
}

void tst_QuoteRefresher::closingStopsThePainting()
{
    Board board({"A", "B"});
    board.reply = "A,1\r\nB,2";
    board.refresher.setClosing();
    board.refresh(false);
    QCOMPARE(board.grid.text(1, Col::Bid), QString()); // closed while the fetch waited: nothing painted
}

void tst_QuoteRefresher::oneRowRefreshTakesTheFirstRecord()
{
    Board board({"ABC", "NEW"});
    board.reply = "OTHER,5,6,7,(1%),UP,8,9,10,11,12\r\nNEW,1";
    board.refresher.RefreshQuoteRow(2, true);
    QVERIFY(board.urls[0].endsWith(QStringLiteral("?scr=NEW&tl=1&ft=1")));
    QCOMPARE(board.grid.text(2, Col::Bid), QStringLiteral("5.00"));
    QCOMPARE(board.grid.text(2, Col::Open), QStringLiteral("11.00"));
    QCOMPARE(board.grid.text(1, Col::Bid), QString());

    board.reply.clear();
    board.refresher.RefreshQuoteRow(1, true);
    QCOMPARE(board.grid.text(1, Col::Symbol), QStringLiteral("ABC"));
    QCOMPARE(board.grid.text(1, Col::Bid), QString());
    board.refresher.RefreshQuoteRow(3, true); // the spare row: nothing is fetched
    QCOMPARE(board.urls.size(), 2);
}

void tst_QuoteRefresher::listsBeyondSixteenBitsRefresh()
{
    QStringList symbols;
    QString reply;
    for (int i = 0; i < 33000; ++i) {
        symbols.append(QStringLiteral("S%1").arg(i));
        reply += QStringLiteral("S%1,%1\r\n").arg(i);
    }
    Board board(symbols);
    board.reply = reply;
    board.refresh(false);
    QCOMPARE(board.grid.text(33000, Col::Bid), QStringLiteral("32,999.00"));
}

void tst_QuoteRefresher::aLaterDuplicateAtTheRowsOwnPositionLosesToTheFirst()
{
    Board board({"X", "DUP"});
    board.reply = "DUP,2\r\nDUP,3";
    board.refresh(false);
    QCOMPARE(board.grid.text(2, Col::Bid), QStringLiteral("2.00"));
    QCOMPARE(board.grid.text(1, Col::Bid), QString()); // X is not in the reply
}

void tst_QuoteRefresher::aReplyInAnotherOrderPaintsEveryRowItsOwnQuote()
{
    Board board({"a", "B", "c", "D"});
    board.reply = "D,4\r\nC,3\r\nB,2\r\nX,9\r\nA,1";
    board.refresh(false);
    for (int row = 1; row <= 4; ++row)
        QCOMPARE(board.grid.text(row, Col::Bid), QStringLiteral("%1.00").arg(row));
}

// Once a reply has answered every row in order, the next replies to the same
// list are read in order too; the first line of a symbol must still win.
void tst_QuoteRefresher::laterRepliesToAListInOrderStillGiveTheFirstLine()
{
    // Two rows that look different but match the same reply symbol.
    Board twins({"abc", "ABC", "X"});
    for (int refresh = 0; refresh < 3; ++refresh) {
        twins.reply = "ABC,1\r\nABC,2\r\nX,3";
        twins.refresh(false);
        QCOMPARE(twins.grid.text(2, Col::Bid), QStringLiteral("1.00"));
    }
    Board board({"A", "B", "C"});
    const QStringList replies = {
        "A,1\r\nB,2\r\nC,3",         // in order: later replies are read in order
        "A,4\r\nA,5\r\nC,6",         // B left out, A twice: the second A is not B's
        "B,7\r\nA,8\r\nB,9\r\nC,10", // shifted: each row still finds its first line
        "A,11\r\nB,12\r\nC,13",
        "B,14\r\nB,15\r\nC,16", // A left out: B's own position holds its second line
    };
    const QList<QStringList> bids = {{"1.00", "2.00", "3.00"},
                                     {"4.00", "2.00", "6.00"},
                                     {"8.00", "7.00", "10.00"},
                                     {"11.00", "12.00", "13.00"},
                                     {"11.00", "14.00", "16.00"}};
    for (qsizetype i = 0; i < replies.size(); ++i) {
        board.reply = replies[i];
        board.refresh(false);
        for (int row = 1; row <= 3; ++row)
            QCOMPARE(board.grid.text(row, Col::Bid), bids[i][row - 1]);
    }
}

void tst_QuoteRefresher::aShorterReplyLeavesNoQuoteOfTheLongerOneBefore()
{
    Board board({"A", "B"});
    board.reply = "A,1\r\nB,2";
    board.refresh(false);
    QCOMPARE(board.grid.text(2, Col::Bid), QStringLiteral("2.00"));
    board.reply = "A,5\r\nB";
    board.refresh(false);
    QCOMPARE(board.grid.text(1, Col::Bid), QStringLiteral("5.00"));
    QCOMPARE(board.grid.text(2, Col::Bid), QStringLiteral("0.00")); // B's line of this reply, not of the last
}

void tst_QuoteRefresher::readingAheadFindsWhatReadingInPlaceFinds_data()
{
    QTest::addColumn<int>("change"); // the line and row changed, from 0; -1 for none
    QTest::addColumn<QByteArray>("changedTo");
    QTest::addColumn<QString>("rowAsks"); // what the changed row asks for
    QTest::addColumn<bool>("FirstFetch");
    QTest::addColumn<int>("lines");     // of the reply, each for the row at its position
    QTest::addColumn<bool>("distinct"); // the rows are known to differ
    // Longer than the reading thread's ring, so that it wraps and waits.
    QTest::newRow("in order") << -1 << QByteArray() << QString() << true << 9000 << false;
    QTest::newRow("in order, distinct") << -1 << QByteArray() << QString() << true << 9000 << true;
    QTest::newRow("in order, later fields") << -1 << QByteArray() << QString() << false << 9000 << false;
    QTest::newRow("a blank line") << 5000 << QByteArray("  \r\nS5000,1") << "S5000" << true << 9000 << false;
    QTest::newRow("a row's first line comes later")
        << 6000 << QByteArray("S5999,7") << "S6000" << true << 9000 << false;
    QTest::newRow("a row left out") << 7000 << QByteArray("X,7") << "S7000" << true << 9000 << false;
    QTest::newRow("a row like an earlier row") << 7000 << QByteArray("S10,7") << "s10" << true << 9000 << false;
    QTest::newRow("a blank line, distinct") << 5000 << QByteArray("  \r\nS5000,1") << "S5000" << true << 9000 << true;
    QTest::newRow("a row left out, distinct") << 7000 << QByteArray("X,7") << "S7000" << true << 9000 << true;
    QTest::newRow("a shorter reply") << -1 << QByteArray() << QString() << true << 8000 << false;
}

// A long reply's numbers are read on a second thread; every row must get
// what it gets when each line is read as the row asks.
void tst_QuoteRefresher::readingAheadFindsWhatReadingInPlaceFinds()
{
    QFETCH(int, change);
    QFETCH(QByteArray, changedTo);
    QFETCH(QString, rowAsks);
    QFETCH(bool, FirstFetch);
    QFETCH(int, lines);
    QFETCH(bool, distinct);
    constexpr int kRows = 9000;
    QByteArray body;
    for (int i = 0; i < lines; ++i)
        body += i == change
                    ? changedTo + "\r\n"
                    : QStringLiteral("S%1,%1.25,%1.5,%1,(1%),UP,%2,3,4,%1.75,%1.125\r\n").arg(i).arg(i % 7).toLatin1();
    QuoteTable ahead(1);
    QuoteTable inPlace(kRows + 1);
    for (QuoteTable *table : {&ahead, &inPlace}) {
        table->read(body);
        table->setAskers(kRows, distinct, FirstFetch);
    }
    for (int row = 0; row < kRows; ++row) {
        const QString symbol = row == change ? rowAsks : QStringLiteral("S%1").arg(row);
        QuoteNumbers read;
        QuoteNumbers expected;
        QCOMPARE(ahead.find(symbol, row, FirstFetch, read), inPlace.find(symbol, row, FirstFetch, expected));
        QCOMPARE(std::tie(read.Bid, read.Ask, read.Ltp, read.High, read.Open, read.openSent, read.PrevClose),
                 std::tie(expected.Bid, expected.Ask, expected.Ltp, expected.High, expected.Open, expected.openSent,
                          expected.PrevClose));
    }
}

// The all-rows request is kept between refreshes; it must change whenever
// what it is built from changes.
void tst_QuoteRefresher::theRequestFollowsTheListFirstFetchAndAddress()
{
    const QByteArray previous = qgetenv("TICKERLOOM_SERVICE_URL");
    Board board({"A"});
    board.reply = "A,1,2,3,(1%),UP,4,5,6,7,8"; // with OPEN and P.CLOSE: A asks for them once
    qputenv("TICKERLOOM_SERVICE_URL", "http://127.0.0.1:1/one");
    board.refresh(true);
    board.refresh(false);
    board.refresh(false);
    board.grid.setText(2, Col::Symbol, "B&C");
    board.grid.setRowCount(3);
    board.refresh(false);
    qputenv("TICKERLOOM_SERVICE_URL", "http://127.0.0.1:1/two");
    board.refresh(false);
    qputenv("TICKERLOOM_SERVICE_URL", previous);
    const QStringList expected{
        "http://127.0.0.1:1/one?scr=,A,&tl=1&ft=1",
        "http://127.0.0.1:1/one?scr=,A,&tl=1",
        // B&C never had its OPEN and P.CLOSE: the request keeps asking for them.
        "http://127.0.0.1:1/one?scr=,A,&tl=1",
        "http://127.0.0.1:1/one?scr=,A,B%26C,&tl=1&ft=1",
        "http://127.0.0.1:1/two?scr=,A,B%26C,&tl=1&ft=1",
    };
    QCOMPARE(board.urls, expected);
}

void tst_QuoteRefresher::anExpectedListsRequestServesThatListOnly_data()
{
    QTest::addColumn<QString>("expected");
    QTest::addColumn<bool>("expectedFirst");
    QTest::addColumn<QString>("url"); // of the first fetch of ",A,,B,"
    const QString ab = QStringLiteral("http://127.0.0.1:1/q?scr=,A,B,&tl=1&ft=1");
    QTest::newRow("that list") << ",A,,B," << true << ab;
    QTest::newRow("another list") << ",X," << true << ab;
    QTest::newRow("another fetch") << ",A,,B," << false << ab;
}

void tst_QuoteRefresher::anExpectedListsRequestServesThatListOnly()
{
    QFETCH(QString, expected);
    QFETCH(bool, expectedFirst);
    QFETCH(QString, url);
    const QByteArray previous = qgetenv("TICKERLOOM_SERVICE_URL");
    qputenv("TICKERLOOM_SERVICE_URL", "http://127.0.0.1:1/q");
    Board board({"A", "B"});
    board.refresher.expectList(expected, expectedFirst, false);
    board.refresh(true);
    qputenv("TICKERLOOM_SERVICE_URL", previous);
    QCOMPARE(board.urls, QStringList{url});
}

void tst_QuoteRefresher::openAndPreviousCloseComeOnceTheServiceAnswers()
{
    Board board({"A", "B"});
    board.refresh(true); // the service is down at start
    QVERIFY(board.grid.isEmpty(1, Col::Open));
    board.reply = "A,1,2,3,(1%),UP,4,5,6,70,80";
    board.refresh(false);
    QVERIFY(board.urls.last().endsWith(QStringLiteral("&tl=1&ft=1")));
    QCOMPARE(board.grid.text(1, Col::Open), QStringLiteral("70.00"));
    QCOMPARE(board.grid.text(1, Col::PrevClose), QStringLiteral("80.00"));
    QVERIFY(board.grid.isEmpty(2, Col::Open)); // not answered: still lacking

    // B's are asked for again; A's stay as its first answer gave them.
    board.reply = "A,1,2,3,(1%),UP,4,5,6,71,81\r\nB,1,2,3,(1%),UP,4,5,6,90,91";
    board.refresh(false);
    QVERIFY(board.urls.last().endsWith(QStringLiteral("&tl=1&ft=1")));
    QCOMPARE(board.grid.text(1, Col::Open), QStringLiteral("70.00"));
    QCOMPARE(board.grid.text(2, Col::PrevClose), QStringLiteral("91.00"));
    QCOMPARE(board.grid.backColour(1, Col::Ltp), QuoteRefresher::kSameColour); // still a timer refresh
    board.refresh(false);
    QVERIFY(board.urls.last().endsWith(QStringLiteral("&tl=1"))); // nothing lacks now

    // A row that lacks them above rows that have them is asked for too.
    Board upper({"A", "B"});
    upper.reply = "B,1,2,3,(1%),UP,4,5,6,90,91";
    upper.refresh(true);
    upper.refresh(false);
    QVERIFY(upper.urls.last().endsWith(QStringLiteral("&tl=1&ft=1")));
}

enum class Fetched { AllRowsFirst, AllRowsLater, AddedRow };
Q_DECLARE_METATYPE(Fetched)

void tst_QuoteRefresher::openAndPreviousCloseStayBlankUntilALineBringsThem_data()
{
    QTest::addColumn<Fetched>("fetched");
    QTest::addColumn<QString>("tail"); // the line's fields past VOLUME
    QTest::addColumn<QString>("open");
    QTest::addColumn<QString>("previousClose");
    const QList<std::pair<const char *, Fetched>> ways{
        {"start-up", Fetched::AllRowsFirst}, {"timer", Fetched::AllRowsLater}, {"added row", Fetched::AddedRow}};
    for (const auto &[way, fetched] : ways) {
        QTest::addRow("%s, neither", way) << fetched << ""
                                          << ""
                                          << "";
        QTest::addRow("%s, neither converts", way) << fetched << ",x,-"
                                                   << ""
                                                   << "";
        QTest::addRow("%s, OPEN alone", way) << fetched << ",70"
                                             << "70.00"
                                             << "";
        QTest::addRow("%s, P.CLOSE alone", way) << fetched << ",,80"
                                                << ""
                                                << "80.00";
        QTest::addRow("%s, both", way) << fetched << ",70,80"
                                       << "70.00"
                                       << "80.00";
    }
}

// A reply line without them writes no 0.00, a price the service never sent.
void tst_QuoteRefresher::openAndPreviousCloseStayBlankUntilALineBringsThem()
{
    QFETCH(Fetched, fetched);
    QFETCH(QString, tail);
    QFETCH(QString, open);
    QFETCH(QString, previousClose);
    Board board({"A"});
    if (fetched == Fetched::AllRowsLater)
        board.refresh(true); // no answer at start: both still lacking
    board.reply = "A,1,2,3,(1%),UP,4,5,6" + tail;
    if (fetched == Fetched::AddedRow)
        board.refresher.RefreshQuoteRow(1, true);
    else
        board.refresh(fetched == Fetched::AllRowsFirst);
    QVERIFY(board.urls.last().endsWith(QStringLiteral("&ft=1")));
    QCOMPARE(board.grid.text(1, Col::Ltp), QStringLiteral("3.00"));
    QCOMPARE(board.grid.text(1, Col::Open), open);
    QCOMPARE(board.grid.text(1, Col::PrevClose), previousClose);

    board.reply = "A,1,2,3,(1%),UP,4,5,6,71,81"; // asked for again until a line brings them
    board.refresh(false);
    QCOMPARE(board.grid.text(1, Col::Open), open.isEmpty() ? QStringLiteral("71.00") : open);
    QCOMPARE(board.grid.text(1, Col::PrevClose), previousClose.isEmpty() ? QStringLiteral("81.00") : previousClose);
}

void tst_QuoteRefresher::volumesPastThirtyTwoBitsAreShown()
{
    Board board({"BIG"});
    board.reply = "BIG,1,2,3,(1%),UP,4,5,3000000000.4";
    board.refresh(false);
    QCOMPARE(board.grid.text(1, Col::Volume), QStringLiteral("3,000,000,000"));
}

void tst_QuoteRefresher::theStatusSaysWhetherThePricesAreCurrent()
{
    Board board({"A"});
    QTime now(14, 3, 5);
    board.refresher.setClock([&now] { return QDateTime(QDate(2026, 12, 7), now); });
    QStringList said;
    int changes = 0;
    connect(&board.refresher, &QuoteRefresher::freshnessChanged, [&](const QString &text, bool changed) {
        said.append(text);
        changes += changed;
    });
    board.refresh(true); // no answer yet at start
    board.reply = "A,1,2,3";
    board.refresh(false);
    now = QTime(14, 3, 10);
    board.reply.clear();
    board.refresh(false);
    board.reply = "<html>Bad gateway</html>"; // an answer, but no quote of the list
    board.refresh(false);
    now = QTime(14, 3, 20);
    board.reply = "A,1,2,3";
    board.refresh(false);
    board.refresh(false);
    const QStringList expected{
        "Waiting for the quote service…",
        "No answer from the quote service",
        "Updated 14:03:05",
        "No answer from the quote service; prices from 14:03:05",
        "The quote service answered without this scrip; prices from 14:03:05",
        "Updated 14:03:20",
        "Updated 14:03:20",
    };
    QCOMPARE(said, expected);
    QCOMPARE(changes, 6); // every change of the kind of answer, not the same kind again
    QVERIFY(!board.refresher.freshness().isStale());
}

void tst_QuoteRefresher::statusWordsFollowTheState_data()
{
    using Answer = QuoteFreshness::Answer;
    QTest::addColumn<int>("answer");
    QTest::addColumn<QDateTime>("lastQuotes");
    QTest::addColumn<int>("notUpdated");
    QTest::addColumn<int>("listed");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QString>("said");
    const QDate today(2026, 12, 8);
    const QDateTime morning(today, QTime(9, 15, 2));
    const QDateTime lastNight(today.addDays(-1), QTime(23, 59, 53));
    const QDateTime none;
    const auto row = [](const char *name, Answer answer, const QDateTime &at, int notUpdated, int listed,
                        const char *source, const char *said) {
        QTest::newRow(name) << int(answer) << at << notUpdated << listed << QString::fromUtf8(source)
                            << QString::fromUtf8(said);
    };
    row("waiting", Answer::Waiting, none, 0, 3, "", "Waiting for the quote service…");
    row("current", Answer::Quotes, morning, 0, 3, "", "Updated 09:15:02");
    row("current, from a source", Answer::Quotes, morning, 0, 3, "simulated market",
        "Updated 09:15:02 · simulated market");
    row("one left out", Answer::Quotes, morning, 1, 3, "", "Updated 09:15:02 · 1 scrip not updated");
    row("many left out", Answer::Quotes, morning, 1200, 3000, "Alpaca, IEX",
        "Updated 09:15:02 · Alpaca, IEX · 1,200 scrips not updated");
    row("yesterday's", Answer::Quotes, lastNight, 0, 3, "", "Updated 7 Dec 2026 23:59:53");
    row("no answer", Answer::NoAnswer, none, 0, 3, "", "No answer from the quote service");
    row("no answer, old prices", Answer::NoAnswer, morning, 0, 3, "simulated market",
        "No answer from the quote service; prices from 09:15:02");
    row("no answer since last night", Answer::NoAnswer, lastNight, 0, 3, "",
        "No answer from the quote service; prices from 7 Dec 2026 23:59:53");
    row("answered without the one", Answer::WithoutScrips, none, 0, 1, "",
        "The quote service answered without this scrip");
    row("answered without them", Answer::WithoutScrips, morning, 0, 2, "",
        "The quote service answered without these scrips; prices from 09:15:02");
}

void tst_QuoteRefresher::statusWordsFollowTheState()
{
    QFETCH(int, answer);
    QFETCH(QDateTime, lastQuotes);
    QFETCH(int, notUpdated);
    QFETCH(int, listed);
    QFETCH(QString, source);
    QFETCH(QString, said);
    const QuoteFreshness::State state{QuoteFreshness::Answer(answer), lastQuotes, notUpdated, listed, source};
    QCOMPARE(QuoteFreshness::text(state, QDate(2026, 12, 8)), said);
}

void tst_QuoteRefresher::sourceWordsAreKeptPrintableAndShort_data()
{
    QTest::addColumn<QByteArray>("header");
    QTest::addColumn<QString>("shown");
    QTest::newRow("plain") << QByteArray("simulated market") << QStringLiteral("simulated market");
    QTest::newRow("none") << QByteArray() << QString();
    QTest::newRow("spaces gathered") << QByteArray("  Alpaca,\t  IEX  ") << QStringLiteral("Alpaca, IEX");
    QTest::newRow("control characters") << QByteArray("a\x01"
                                                      "b\x7f\x1b[31mc")
                                        << QStringLiteral("ab[31mc");
    QTest::newRow("direction override") << QByteArray("IEX\xe2\x80\xae") << QStringLiteral("IEX");
    QTest::newRow("broken UTF-8") << QByteArray("NSE\xff") << QStringLiteral("NSE");
    QTest::newRow("UTF-8 words") << QByteArray("Börse Frankfurt") << QStringLiteral("Börse Frankfurt");
    QTest::newRow("markup stays text") << QByteArray("<b>x</b>") << QStringLiteral("<b>x</b>");
    QTest::newRow("too long") << QByteArray(300, 'x') << QString(QuoteSource::kMostCharacters - 1, u'x') + u'…';
    QTest::newRow("exactly the bound") << QByteArray(QuoteSource::kMostCharacters, 'y')
                                       << QString(QuoteSource::kMostCharacters, u'y');
}

void tst_QuoteRefresher::sourceWordsAreKeptPrintableAndShort()
{
    QFETCH(QByteArray, header);
    QFETCH(QString, shown);
    QCOMPARE(QuoteSource::shown(header), shown);
}

void tst_QuoteRefresher::rowsTheLatestRefreshLeftOutAreMarkedWithTheirTime()
{
    Board board({"A", "B", "C"});
    QDateTime now(QDate(2026, 12, 7), QTime(23, 59, 53));
    board.refresher.setClock([&now] { return now; });
    QStringList said;
    connect(&board.refresher, &QuoteRefresher::freshnessChanged, [&](const QString &text) { said.append(text); });
    board.reply = "A,1,2,3\r\nB,1,2,3";
    board.refresh(true);
    QCOMPARE(said.last(), QStringLiteral("Updated 23:59:53 · 1 scrip not updated"));
    QCOMPARE(board.refresher.rowNotUpdated(1), QString());
    QCOMPARE(board.refresher.rowNotUpdated(3), QString()); // never answered: it shows nothing to pass for current

    now = QDateTime(QDate(2026, 12, 8), QTime(0, 0, 3));
    board.reply = "C,1,2,3";
    board.refresh(false);
    QCOMPARE(said.last(), QStringLiteral("Updated 00:00:03 · 2 scrips not updated"));
    QCOMPARE(board.refresher.rowNotUpdated(1), QStringLiteral("not updated since 7 Dec 2026 23:59:53"));
    QCOMPARE(board.refresher.rowNotUpdated(3), QString());
    QVERIFY2(board.refresher.rowToolTip(2).contains(QStringLiteral("Quote updated 7 Dec 2026 23:59:53")),
             qPrintable(board.refresher.rowToolTip(2)));
    QCOMPARE(board.grid.text(1, Col::Ltp), QStringLiteral("3.00")); // still shown, now marked

    now = now.addSecs(5);
    board.reply.clear(); // no answer: every row is left out
    board.refresh(false);
    QCOMPARE(board.refresher.rowNotUpdated(3), QStringLiteral("not updated since 00:00:03"));
    board.reply = "B,1,2,3";
    board.refresher.RefreshQuoteRow(2, false); // a row's own refresh brings it up to date
    QCOMPARE(board.refresher.rowNotUpdated(2), QString());
    QCOMPARE(board.refresher.rowNotUpdated(1), QStringLiteral("not updated since 7 Dec 2026 23:59:53"));
}

void tst_QuoteRefresher::eachRowTellsWhenItsQuoteCameWithItsPrices()
{
    Board board({"A&B", "NONE"});
    board.refresher.setClock([] { return QDateTime(QDate(2026, 12, 7), QTime(9, 15, 0)); });
    for (int i = 0; i < 1000; ++i) {
        board.reply = "A&B,1,2," + QString::number(100 + i % 7) + ",(1%),UP,4,5,6";
        board.refresh(false);
    }
    const QString tip = board.refresher.rowToolTip(1);
    QVERIFY2(
        tip.startsWith(QStringLiteral("<b>A&amp;B</b><br>Quote updated 09:15:00<br><img src=\"data:image/png;base64,")),
        qPrintable(tip.left(120)));
    QVERIFY(board.refresher.rowToolTip(2).contains(QStringLiteral("No quote has arrived yet")));
    QCOMPARE(board.refresher.rowToolTip(3), QString());                             // the spare row
    QCOMPARE(board.grid.data(board.grid.index(0, 0), Qt::ToolTipRole), QVariant()); // until the window asks

    // However long the program runs, a row keeps a bounded line of its
    // prices, the latest one last.
    PriceHistory history;
    for (int i = 1; i <= 100000; ++i) {
        history.startRefresh();
        history.record(7, i, 0);
    }
    const std::optional<PriceHistory::Track> track = history.find(7);
    QVERIFY(track->prices.size() <= size_t(PriceHistory::kMaxPoints));
    QVERIFY(track->prices.size() >= size_t(PriceHistory::kMaxPoints / 2));
    QCOMPARE(track->prices.back(), 100000.0);
    QVERIFY(std::is_sorted(track->prices.begin(), track->prices.end()));
}

// The prices of one refresh, as (row identity, price, time) in the order recorded.
using Recorded = QList<std::tuple<quint64, double, qint64>>;

static void recordRefresh(PriceHistory &history, const Recorded &prices)
{
    history.startRefresh();
    for (const auto &[row, price, at] : prices)
        history.record(row, price, at);
    history.endRefresh();
}

static std::vector<double> pricesOf(const PriceHistory &history, quint64 row)
{
    const std::optional<PriceHistory::Track> track = history.find(row);
    return track ? track->prices : std::vector<double>{-1};
}

void tst_QuoteRefresher::pricesStayWithTheirRowsWhateverOrderRowsArriveIn()
{
    PriceHistory history;
    recordRefresh(history, {{5, 50, 1000}, {9, 90, 1000}});
    recordRefresh(history, {{2, 20, 2000}, {9, 91, 2000}, {7, 70, 2000}, {3, 30, 2000}}); // 2, 3 and 7 above others
    recordRefresh(history, {{2, 21, 3000}, {3, 31, 3000}, {5, 51, 3000}, {7, 71, 3000}, {9, 92, 3000}});
    QCOMPARE(pricesOf(history, 2), (std::vector<double>{20, 21}));
    QCOMPARE(pricesOf(history, 3), (std::vector<double>{30, 31}));
    QCOMPARE(pricesOf(history, 5), (std::vector<double>{50, 51})); // no point where it was not answered
    QCOMPARE(pricesOf(history, 7), (std::vector<double>{70, 71}));
    QCOMPARE(pricesOf(history, 9), (std::vector<double>{90, 91, 92}));
    QCOMPARE(history.find(5)->updated.toMSecsSinceEpoch(), 3000);
    QVERIFY(!history.find(4));

    recordRefresh(history, {{9, 93, 4000}});
    QCOMPARE(history.find(5)->updated.toMSecsSinceEpoch(), 3000); // not answered: still its last update
    history.prune([](quint64 row) { return row == 3 || row == 7; });
    QCOMPARE(history.size(), 3);
    QVERIFY(!history.find(3));
    QCOMPARE(pricesOf(history, 2), (std::vector<double>{20, 21}));
    QCOMPARE(pricesOf(history, 9), (std::vector<double>{90, 91, 92, 93}));
    recordRefresh(history, {{2, 22, 5000}, {5, 52, 5000}, {9, 94, 5000}});
    QCOMPARE(pricesOf(history, 5), (std::vector<double>{50, 51, 52}));
}

// Where the chart's line crosses a column of pixels: the mean height of its ink.
static double lineHeightAt(const QImage &chart, int x)
{
    double ink = 0;
    double weighted = 0;
    for (int y = 0; y < chart.height(); ++y) {
        const double darkness = 255 - qRed(chart.pixel(x, y));
        ink += darkness;
        weighted += darkness * y;
    }
    return ink > 0 ? weighted / ink : -1;
}

void tst_QuoteRefresher::chartDrawsEachPriceAtItsOwnHeight_data()
{
    QTest::addColumn<QList<double>>("prices");
    QTest::addColumn<QList<double>>("heights"); // of the first, middle and last point: 0 bottom, 1 top
    QTest::newRow("a rise") << QList<double>{10, 15, 20} << QList<double>{0, 0.5, 1};
    QTest::newRow("a level price") << QList<double>{5, 5, 5} << QList<double>{0.5, 0.5, 0.5};
    QTest::newRow("a dip") << QList<double>{5, 1, 5} << QList<double>{1, 0, 1};
    QTest::newRow("paise on nine million")
        << QList<double>{9000000.45, 9000000.50, 9000000.55} << QList<double>{0, 0.5, 1};
    QTest::newRow("a fall of one paisa") << QList<double>{9000000.01, 9000000.00, 9000000.00} << QList<double>{1, 0, 0};
}

// Through the history that keeps the prices, as a tooltip draws them.
void tst_QuoteRefresher::chartDrawsEachPriceAtItsOwnHeight()
{
    QFETCH(QList<double>, prices);
    QFETCH(QList<double>, heights);
    PriceHistory history;
    for (double price : prices)
        recordRefresh(history, {{1, price, 0}});
    const QImage chart = PriceChart::draw(history.find(1)->prices);
    const int margin = 3;
    const double usable = chart.height() - 2 * margin;
    const QList<int> columns{margin + 1, chart.width() / 2, chart.width() - margin - 2};
    for (int i = 0; i < 3; ++i) {
        const double expected = margin + usable * (1 - heights[i]);
        const double drawn = lineHeightAt(chart, columns[i]);
        QVERIFY2(qAbs(drawn - expected) < 2.5,
                 qPrintable(QStringLiteral("point %1 at y %2, not %3").arg(i).arg(drawn).arg(expected)));
    }
}

void tst_QuoteRefresher::theChartGainsAPointPerRefresh()
{
    Board board({"A"});
    const QStringList zigzag{"1", "3", "1", "3", "1", "3"};
    for (qsizetype refresh = 0; refresh < zigzag.size(); ++refresh) {
        board.reply = "A,1,2," + zigzag[refresh] + ",(1%),UP,4,5,6";
        board.refresh(false);
        const QImage chart = TestHelpers::chartInToolTip(board.refresher.rowToolTip(1));
        QVERIFY(!chart.isNull());
        const QList<int> line = TestHelpers::lineHeights(chart);
        QCOMPARE(line.count(-1) == line.size(), refresh == 0); // one price draws no line yet
        if (refresh > 0)                                       // every point past the second turns the line
            QCOMPARE(TestHelpers::turnsOf(line), refresh - 1);
    }
}

void tst_QuoteRefresher::theHistoryHoldsItsBoundAndThinsEvenly_data()
{
    QTest::addColumn<int>("refreshes");
    constexpr int kMax = PriceHistory::kMaxPoints;
    for (int refreshes : {kMax - 1, kMax, kMax + 1, kMax + 2, 2 * kMax, 2 * kMax + 1, 1000})
        QTest::addRow("%d refreshes", refreshes) << refreshes;
}

// Row 8 is answered by every refresh, row 7 by all but the last: the price a
// row shows stays its chart's last point, whenever the points thin.
void tst_QuoteRefresher::theHistoryHoldsItsBoundAndThinsEvenly()
{
    QFETCH(int, refreshes);
    PriceHistory history;
    for (int refresh = 1; refresh <= refreshes; ++refresh) {
        history.startRefresh(2);
        if (refresh < refreshes)
            history.record(7, refresh, refresh);
        history.record(8, refresh, refresh);
        history.endRefresh();
    }
    for (const quint64 row : {7, 8}) {
        const int shown = row == 8 ? refreshes : refreshes - 1;
        const auto prices = history.find(row)->prices;
        const qsizetype size = qsizetype(prices.size());
        QVERIFY(size <= PriceHistory::kMaxPoints);
        if (refreshes <= PriceHistory::kMaxPoints)
            QCOMPARE(size, shown); // every point kept until the bound is reached
        QCOMPARE(prices.back(), shown);
        // Evenly over the whole run: the first point within one step of the
        // start, the same step between points, the newest as close or closer.
        const double step = prices[1] - prices[0];
        QVERIFY2(prices[0] <= step, qPrintable(QString::number(prices[0])));
        for (qsizetype i = 1; i + 1 < size; ++i)
            QVERIFY2(prices[size_t(i)] - prices[size_t(i - 1)] == step, qPrintable(QString::number(i)));
        QVERIFY(prices.back() - prices[size_t(size - 2)] > 0 && prices.back() - prices[size_t(size - 2)] <= step);
    }
}

QTEST_MAIN(tst_QuoteRefresher)
#include "tst_quoterefresher.moc"
