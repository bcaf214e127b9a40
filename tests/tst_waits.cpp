// What the user can do while the program waits for the quote service: every
// fetch waits in a nested event loop, so deletes, adds, searches and error
// pages arrive in the middle of a refresh. A local server holds the chosen
// request until the test has acted, then releases it.
#include "search/frmSearch.h"
#include "watch/QuoteGridColumns.h"
#include "watch/SpreadGrid.h"
#include "watch/SwitchTimer.h"
#include "watch/frmTickerloom.h"

#include "support/FakeHttpServer.h"
#include "support/TestHelpers.h"

#include <QAction>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using Col = QuoteGridColumns::Column;

namespace {

// The service's answer to a quote request: every symbol asked for, at a price
// of its own (100 more on a first fetch, which also brings OPEN and P.CLOSE).
QByteArray quoteReply(const QByteArray &request)
{
    const QByteArray target = request.split(' ').value(1);
    const bool firstFetch = target.contains("&ft=1");
    const QByteArray list = target.mid(target.indexOf("scr=") + 4).split('&').value(0);
    QByteArray body;
    for (const QByteArray &symbol : list.split(',')) {
        if (symbol.isEmpty())
            continue;
        const QByteArray price = QByteArray::number(symbol.size() * 10 + (firstFetch ? 100 : 0));
        body += symbol + ",1," + price + ',' + price + ",(+1%),UP,3,4,5";
        body += firstFetch ? ",6,7\r\n" : "\r\n";
    }
    return FakeHttpServer::ok(body);
}

bool isTimerRefresh(const QByteArray &request)
{
    return request.startsWith("GET /quote?scr=,") && !request.contains("&ft=1");
}

QByteArray searchReply(const QByteArray &request)
{
    const QByteArray text = request.split(' ').value(1).split('=').value(1).split('&').value(0).toUpper();
    QByteArray body;
    for (int i = 1; i <= 5; ++i)
        body += text + QByteArray::number(i) + ',' + text + " Ltd " + QByteArray::number(i) + "\r\n";
    return FakeHttpServer::ok(body);
}

} // namespace

class tst_Waits : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void deleteIsBoundToTheRowItWasChosenOn();
    void deletesChosenDuringOneRefreshRemoveTheirOwnRows();
    void aMenuOpenWhenAQueuedDeleteRunsStaysWithItsRow();
    void deleteKeyDuringARefreshWaitsBoundToItsRow();
    void statusLineTurnsWithinOneRefreshOfTheServiceFallingSilent();
    void statusLineTellsWhatTheReplySaid_data();
    void statusLineTellsWhatTheReplySaid();
    void windowShowsWaitingWhileTheFirstAnswerIsLate_data();
    void windowShowsWaitingWhileTheFirstAnswerIsLate();
    void addDuringARefreshStartsNoSecondRefreshAndKeepsItsValues();
    void aListEditedWhileARefreshWaitsGetsOnlyItsOwnQuotes();
    void anEditMadeWhileTheFirstRefreshWaitsSurvivesAnAdd();
    void errorPagesPaintNothing_data();
    void errorPagesPaintNothing();
    void onlyTheLatestSearchIsShown();
    void closeBoxLeavesTheSearchDialogAsNew();

private:
    // Starts the window on the list A, B, C, D, E, shown, its first fetch answered.
    void start();
    // Runs action once the held request has arrived, then lets the reply go.
    void whileHeld(const std::function<void()> &action);
    void rightClickAndDelete(int row);
    void leftClick(int row);
    QString path() const { return m_dir->filePath(QStringLiteral("Scrips.dat")); }
    GridModel *grid() const { return m_window->quoteGrid()->grid(); }
    SwitchTimer *timer() const { return m_window->findChild<SwitchTimer *>(QStringLiteral("Timer1")); }
    QStringList symbols() const;

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<FakeHttpServer> m_server;
    std::unique_ptr<frmTickerloom> m_window;
};

void tst_Waits::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_server = std::make_unique<FakeHttpServer>();
    m_server->setDefaultReply([](const QByteArray &request) {
        return request.contains("src=") ? searchReply(request) : quoteReply(request);
    });
    qputenv("TICKERLOOM_SERVICE_URL", m_server->baseUrl().toLatin1());
}

void tst_Waits::cleanup()
{
    m_window.reset();
    m_server.reset();
    m_dir.reset();
    qunsetenv("TICKERLOOM_SERVICE_URL");
}

void tst_Waits::start()
{
    TestHelpers::writeFile(path(), "A\r\nBB\r\nCCC\r\nDDDD\r\nEEEEE\r\n");
    m_window = std::make_unique<frmTickerloom>(path(), TestHelpers::programBytesFetch(this));
    m_window->OnWindowLoad();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void tst_Waits::whileHeld(const std::function<void()> &action)
{
    auto *once = new QObject(m_server.get());
    connect(m_server.get(), &FakeHttpServer::requestReceived, once, [this, once, action] {
        if (m_server->heldCount() == 0)
            return;
        delete once;
        // Acts from the event loop, as the user would, not from inside the server.
        QTimer::singleShot(0, m_server.get(), [this, action] {
            action();
            m_server->releaseHeld();
        });
    });
}

void tst_Waits::rightClickAndDelete(int row)
{
    m_window->onGridRightClick(1, row, QPoint());
    m_window->findChild<QAction *>(QStringLiteral("mnuDelete"))->trigger();
}

void tst_Waits::leftClick(int row)
{
    SpreadGrid *view = m_window->quoteGrid();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(grid()->index(row - 1, 0)).center());
}

QStringList tst_Waits::symbols() const
{
    QStringList list;
    for (int row = 1; row <= grid()->rowCount(); ++row)
        list.append(grid()->text(row, Col::Symbol));
    return list;
}

void tst_Waits::deleteIsBoundToTheRowItWasChosenOn()
{
    start();
    m_server->holdWhen(isTimerRefresh);
    int rowsWhileWaiting = 0;
    whileHeld([&] {
        rightClickAndDelete(2);
        leftClick(4); // the user moves on before the refresh ends
        QCOMPARE(m_window->quoteGrid()->activeRow(), 4);
        rowsWhileWaiting = grid()->rowCount();
    });
    TestHelpers::refreshTick(m_window.get());
    QCOMPARE(rowsWhileWaiting, 6); // nothing is deleted while the refresh runs
    QCOMPARE(symbols(), (QStringList{"A", "CCC", "DDDD", "EEEEE", ""}));
    QCOMPARE(m_window->watchListText(), QStringLiteral(",A,,CCC,,DDDD,,EEEEE,"));
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("A\r\nCCC\r\nDDDD\r\nEEEEE\r\n\r\n"));
    QCOMPARE(grid()->text(3, Col::Ltp), QStringLiteral("40.00")); // DDDD's own quote moved up with it
    QVERIFY(timer()->isEnabled());
}

void tst_Waits::deletesChosenDuringOneRefreshRemoveTheirOwnRows()
{
    start();
    m_server->holdWhen(isTimerRefresh);
    whileHeld([&] {
        rightClickAndDelete(2);
        rightClickAndDelete(3);
        rightClickAndDelete(5);
    });
    TestHelpers::refreshTick(m_window.get());
    QCOMPARE(symbols(), (QStringList{"A", "DDDD", ""}));
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("A\r\nDDDD\r\n\r\n"));
    QVERIFY(timer()->isEnabled());
}

void tst_Waits::aMenuOpenWhenAQueuedDeleteRunsStaysWithItsRow()
{
    start();
    m_server->holdWhen(isTimerRefresh);
    whileHeld([&] {
        rightClickAndDelete(2);
        m_window->onGridRightClick(1, 3, QPoint()); // the menu is open on CCC when the refresh ends
    });
    TestHelpers::refreshTick(m_window.get());
    QCOMPARE(symbols(), (QStringList{"A", "CCC", "DDDD", "EEEEE", ""}));
    m_window->findChild<QAction *>(QStringLiteral("mnuDelete"))->trigger();
    QCOMPARE(symbols(), (QStringList{"A", "DDDD", "EEEEE", ""}));
}

void tst_Waits::deleteKeyDuringARefreshWaitsBoundToItsRow()
{
    start();
    SpreadGrid *view = m_window->quoteGrid();
    view->setFocus();
    m_server->holdWhen(isTimerRefresh);
    int rowsWhileWaiting = 0;
    whileHeld([&] {
        QCOMPARE(view->activeRow(), 1);
        QTest::keyClick(view, Qt::Key_Delete); // A, the row above the next one chosen
        QTest::keyClick(view, Qt::Key_Down);
        QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(view->activeRow(), 3);
        QTest::keyClick(view, Qt::Key_Delete); // CCC, the third row when chosen
        for (int i = 0; i < 3; ++i)
            QTest::keyClick(view, Qt::Key_Down);
        QCOMPARE(view->activeRow(), 6);
        QTest::keyClick(view, Qt::Key_Delete); // the spare row: nothing
        rowsWhileWaiting = grid()->rowCount();
    });
    TestHelpers::refreshTick(m_window.get());
    QCOMPARE(rowsWhileWaiting, 6); // nothing is deleted while the refresh runs
    QCOMPARE(symbols(), (QStringList{"BB", "DDDD", "EEEEE", ""}));
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("BB\r\nDDDD\r\nEEEEE\r\n\r\n"));
    QCOMPARE(grid()->text(2, Col::Ltp), QStringLiteral("40.00")); // DDDD's own quote moved up with it
    QVERIFY(timer()->isEnabled());
}

void tst_Waits::statusLineTurnsWithinOneRefreshOfTheServiceFallingSilent()
{
    start();
    auto *status = m_window->findChild<QLabel *>(QStringLiteral("lblStatus"));
    const QRegularExpression updated(QStringLiteral("^Updated (\\d\\d:\\d\\d:\\d\\d)$"));
    const QRegularExpressionMatch first = updated.match(status->text());
    QVERIFY2(first.hasMatch(), qPrintable(status->text()));

    // Every connection closes with no answer, a retry of the request included.
    m_server->setDefaultReply([](const QByteArray &) { return QByteArray(); });
    const qsizetype asked = m_server->requests().size();
    TestHelpers::refreshTick(m_window.get());
    QVERIFY(m_server->requests().size() > asked);
    QCOMPARE(status->text(), QStringLiteral("No answer from the quote service; prices from ") + first.captured(1));
    QCOMPARE(grid()->text(1, Col::Ltp), QStringLiteral("110.00")); // kept, and said to be old

    m_server->setDefaultReply(quoteReply);
    TestHelpers::refreshTick(m_window.get()); // answered again
    QVERIFY2(updated.match(status->text()).hasMatch(), qPrintable(status->text()));
}

void tst_Waits::statusLineTellsWhatTheReplySaid_data()
{
    QTest::addColumn<QByteArray>("headers");
    QTest::addColumn<bool>("withQuotes");
    QTest::addColumn<QString>("said"); // after "Updated HH:MM:SS", or the whole line
    QTest::newRow("the reply names its source")
        << QByteArray("X-Quote-Source: simulated market\r\n") << true << QStringLiteral(" · simulated market");
    QTest::newRow("markup stays text") << QByteArray("x-quote-source:  <b>Alpaca</b>,\tIEX \r\n") << true
                                       << QStringLiteral(" · <b>Alpaca</b>, IEX");
    QTest::newRow("answered without the scrips")
        << QByteArray("X-Quote-Source: simulated market\r\n") << false
        << QStringLiteral("The quote service answered without these scrips; prices from ");
}

void tst_Waits::statusLineTellsWhatTheReplySaid()
{
    QFETCH(QByteArray, headers);
    QFETCH(bool, withQuotes);
    QFETCH(QString, said);
    start();
    auto *status = m_window->findChild<QLabel *>(QStringLiteral("lblStatus"));
    m_server->setDefaultReply([headers, withQuotes](const QByteArray &request) {
        const QByteArray quotes = quoteReply(request);
        return FakeHttpServer::ok(withQuotes ? quotes.mid(quotes.indexOf("\r\n\r\n") + 4) : QByteArray(), headers);
    });
    TestHelpers::refreshTick(m_window.get());
    const QString pattern =
        withQuotes ? QStringLiteral("^Updated \\d\\d:\\d\\d:\\d\\d") + QRegularExpression::escape(said) + u'$'
                   : u'^' + QRegularExpression::escape(said) + QStringLiteral("\\d\\d:");
    QVERIFY2(QRegularExpression(pattern).match(status->text()).hasMatch(), qPrintable(status->text()));
    QCOMPARE(status->textFormat(), Qt::PlainText);
}

void tst_Waits::windowShowsWaitingWhileTheFirstAnswerIsLate_data()
{
    QTest::addColumn<bool>("secondStart");
    QTest::newRow("after about a second") << false;
    QTest::newRow("at once when a second start asks") << true;
}

void tst_Waits::windowShowsWaitingWhileTheFirstAnswerIsLate()
{
    QFETCH(bool, secondStart);
    TestHelpers::writeFile(path(), "A\r\nBB\r\n");
    m_server->holdWhen([](const QByteArray &request) { return request.contains("scr=,A,BB,"); });
    m_window = std::make_unique<frmTickerloom>(path(), TestHelpers::programBytesFetch(this));
    auto *status = m_window->findChild<QLabel *>(QStringLiteral("lblStatus"));
    QElapsedTimer clock;
    qint64 shownAfterMs = -1;
    QString saidWhileWaiting;
    QStringList rowsWhileWaiting;
    bool timerOnWhileWaiting = true;
    QTimer watch; // looks as the user would, until the window is there
    connect(&watch, &QTimer::timeout, this, [&] {
        if (secondStart && m_server->heldCount() > 0)
            m_window->bringToFront();
        if (!m_window->isVisible())
            return;
        watch.stop();
        shownAfterMs = clock.elapsed();
        saidWhileWaiting = status->text();
        rowsWhileWaiting = symbols();
        m_window->addScrip(QStringLiteral("CCC")); // the user goes on meanwhile
        timerOnWhileWaiting = timer()->isEnabled();
        m_server->releaseHeld();
    });
    clock.start();
    watch.start(20);
    m_window->OnWindowLoad();

    QVERIFY2(shownAfterMs >= 0 && shownAfterMs < 1500, qPrintable(QString::number(shownAfterMs)));
    QVERIFY(secondStart || shownAfterMs >= frmTickerloom::kShowWhileWaitingMs - 50);
    QCOMPARE(saidWhileWaiting, QStringLiteral("Waiting for the quote service…"));
    QCOMPARE(rowsWhileWaiting, (QStringList{"A", "BB", ""}));
    QVERIFY(!timerOnWhileWaiting); // no tick starts a second refresh inside the first
    QCOMPARE(symbols(), (QStringList{"A", "BB", "CCC", ""}));
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("A\r\nBB\r\nCCC\r\n\r\n"));
    // The first answer paints as the start-up fetch would.
    QCOMPARE(grid()->text(2, Col::Ltp), QStringLiteral("120.00"));
    QCOMPARE(grid()->text(3, Col::Ltp), QStringLiteral("130.00"));
    QCOMPARE(grid()->text(2, Col::Open), QStringLiteral("6.00"));
    QVERIFY2(status->text().startsWith(QStringLiteral("Updated ")), qPrintable(status->text()));
    QVERIFY(timer()->isEnabled());
}

void tst_Waits::addDuringARefreshStartsNoSecondRefreshAndKeepsItsValues()
{
    start();
    m_server->holdWhen(isTimerRefresh);
    bool timerOnWhileWaiting = true;
    whileHeld([&] {
        QVERIFY(m_window->addScrip(QStringLiteral("NEW")));
        QCOMPARE(grid()->text(6, Col::Ltp), QStringLiteral("130.00")); // its first fetch, answered at once
        timerOnWhileWaiting = timer()->isEnabled();
        QTest::qWait(50);
    });
    TestHelpers::refreshTick(m_window.get());
    QVERIFY(!timerOnWhileWaiting); // the running refresh keeps the timer off
    int timerRefreshes = 0;
    for (const QByteArray &request : m_server->requests())
        timerRefreshes += isTimerRefresh(request);
    QCOMPARE(timerRefreshes, 1);
    // The refresh painted the rows it asked for, and left the new row alone.
    QCOMPARE(grid()->text(5, Col::Ltp), QStringLiteral("50.00"));
    QCOMPARE(grid()->backColour(5, Col::Ltp), quint32(QuoteRefresher::kFellColour));
    QCOMPARE(grid()->text(6, Col::Symbol), QStringLiteral("NEW"));
    QCOMPARE(grid()->text(6, Col::Ltp), QStringLiteral("130.00"));
    QCOMPARE(grid()->text(6, Col::Open), QStringLiteral("6.00"));
    QCOMPARE(grid()->backColour(6, Col::Ltp), GridModel::kNoColour);
    QVERIFY(timer()->isEnabled()); // the refresh that ended switched it on
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("A\r\nBB\r\nCCC\r\nDDDD\r\nEEEEE\r\nNEW\r\n\r\n"));
}

void tst_Waits::aListEditedWhileARefreshWaitsGetsOnlyItsOwnQuotes()
{
    start();
    m_server->holdWhen(isTimerRefresh);
    whileHeld([&] {
        rightClickAndDelete(2); // BB, which the edit removes too
        rightClickAndDelete(4); // DDDD, which the edit keeps
        TestHelpers::writeFile(path(), "A\r\nCCC\r\nDDDD\r\nEEEEE\r\nXY\r\n");
        QTRY_COMPARE(symbols(), (QStringList{"A", "CCC", "DDDD", "EEEEE", "XY", ""}));
    });
    TestHelpers::refreshTick(m_window.get());
    QCOMPARE(symbols(), (QStringList{"A", "CCC", "EEEEE", "XY", ""}));
    // The rows the request asked for got their own quotes; the new row waits for its own request.
    QCOMPARE(grid()->text(2, Col::Ltp), QStringLiteral("30.00"));
    QCOMPARE(grid()->text(3, Col::Ltp), QStringLiteral("50.00"));
    QCOMPARE(grid()->text(4, Col::Ltp), QString());
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("A\r\nCCC\r\nEEEEE\r\nXY\r\n\r\n"));
    QVERIFY(timer()->isEnabled());
}

void tst_Waits::anEditMadeWhileTheFirstRefreshWaitsSurvivesAnAdd()
{
    TestHelpers::writeFile(path(), "A\r\nBB\r\n");
    m_server->holdWhen([](const QByteArray &request) { return request.startsWith("GET /quote?scr=,A,BB,"); });
    m_window = std::make_unique<frmTickerloom>(path(), TestHelpers::programBytesFetch(this));
    whileHeld([&] {
        TestHelpers::writeFile(path(), "A\r\nBB\r\nTYPED\r\n");
        QVERIFY(m_window->addScrip(QStringLiteral("NEW")));
    });
    m_window->OnWindowLoad();
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("A\r\nBB\r\nTYPED\r\nNEW\r\n\r\n"));
}

void tst_Waits::errorPagesPaintNothing_data()
{
    QTest::addColumn<QByteArray>("page");
    QTest::newRow("500") << FakeHttpServer::status(500, "Internal Server Error", "A,0\r\n<h1>Error</h1>\r\n");
    QTest::newRow("502") << FakeHttpServer::status(502, "Bad Gateway", "<html>bad gateway</html>\r\n");
    QTest::newRow("503") << FakeHttpServer::status(503, "Service Unavailable", "busy\r\n");
}

void tst_Waits::errorPagesPaintNothing()
{
    QFETCH(QByteArray, page);
    start();
    m_server->enqueue(page);
    TestHelpers::refreshTick(m_window.get());
    QCOMPARE(grid()->text(1, Col::Ltp), QStringLiteral("110.00"));
    QCOMPARE(grid()->backColour(1, Col::Ltp), GridModel::kNoColour);
    QVERIFY(timer()->isEnabled());

    // A search answered by an error page shows no scrips that could be added.
    frmSearch dialog(m_window.get(), TestHelpers::programFetch(this));
    dialog.show();
    dialog.findChild<QLineEdit *>(QStringLiteral("Text1"))->setText(QStringLiteral("abc"));
    m_server->enqueue(page);
    dialog.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    QCOMPARE(dialog.findChild<SpreadGrid *>()->grid()->rowCount(), 0);
    QVERIFY(!dialog.findChild<QPushButton *>(QStringLiteral("OKButton"))->isEnabled());
}

void tst_Waits::onlyTheLatestSearchIsShown()
{
    frmSearch dialog(nullptr, TestHelpers::programFetch(this));
    dialog.show();
    auto *text = dialog.findChild<QLineEdit *>(QStringLiteral("Text1"));
    auto *search = dialog.findChild<QPushButton *>(QStringLiteral("Command1"));
    m_server->holdWhen([](const QByteArray &request) { return request.contains("src=tcs"); });
    whileHeld([&] {
        text->setText(QStringLiteral("infy"));
        search->click(); // answered at once, while "tcs" still waits
    });
    text->setText(QStringLiteral("tcs"));
    search->click();
    QCOMPARE(m_server->requests().size(), 2);
    GridModel *results = dialog.findChild<SpreadGrid *>()->grid();
    QCOMPARE(results->rowCount(), 5);
    QCOMPARE(results->text(1, 1), QStringLiteral("INFY1")); // the older reply came last and was dropped
    dialog.findChild<QPushButton *>(QStringLiteral("OKButton"))->click();
    QCOMPARE(dialog.sScrip, QStringLiteral("INFY1"));
}

void tst_Waits::closeBoxLeavesTheSearchDialogAsNew()
{
    frmSearch dialog(nullptr, TestHelpers::programFetch(this));
    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    auto *text = dialog.findChild<QLineEdit *>(QStringLiteral("Text1"));
    auto *results = dialog.findChild<SpreadGrid *>();
    text->setText(QStringLiteral("abc"));
    dialog.findChild<QPushButton *>(QStringLiteral("Command1"))->click();
    results->setFocus();
    QTest::keyClick(results, Qt::Key_Down);
    QTest::keyClick(results, Qt::Key_Down);
    QCOMPARE(results->activeRow(), 3);
    QVERIFY(dialog.close()); // the title bar's close box

    dialog.show();
    QVERIFY(QTest::qWaitForWindowActive(&dialog));
    QCOMPARE(text->text(), QString());
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(text));
    QCOMPARE(results->grid()->rowCount(), 0);
    QCOMPARE(results->activeRow(), 1);
    QVERIFY(!dialog.findChild<QPushButton *>(QStringLiteral("Command1"))->isEnabled());
    QVERIFY(!dialog.findChild<QPushButton *>(QStringLiteral("OKButton"))->isEnabled());

    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("xyz")); // typed text reaches the box
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_COMPARE(results->grid()->rowCount(), 5);
    dialog.findChild<QPushButton *>(QStringLiteral("OKButton"))->click();
    QCOMPARE(dialog.sScrip, QStringLiteral("XYZ1"));
}

QTEST_MAIN(tst_Waits)
#include "tst_waits.moc"
