#include "quotes/QuoteRefresher.h"
#include "watch/QuoteGridColumns.h"
#include "watch/SpreadGrid.h"
#include "watch/StatusLine.h"
#include "watch/SwitchTimer.h"
#include "watch/WatchList.h"
#include "watch/frmTickerloom.h"

#include "support/TestHelpers.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QEventLoop>
#include <QFileInfo>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolTip>

using Col = QuoteGridColumns::Column;

// A quote service in the test: answers every symbol it is asked for with a
// fixed price, and records the URLs. While `holdOpen` is set, each fetch
// waits in an event loop of its own, as a slow network would; while `silent`
// is set, every fetch fails, as when the service does not answer.
struct FakeQuotes
{
    QStringList urls;
    bool holdOpen = false;
    bool silent = false;
    QStringList leftOut;           // symbols the service does not answer
    QHash<QString, double> prices; // the price of a symbol, upper-cased; 100 when not given
    QString fields;                // when set, every answer's numbers, whatever the prices
    QEventLoop *pending = nullptr;
    std::function<void()> duringFetch;

    QByteArray fetch(const QUrl &asked)
    {
        const QString url = asked.toString(QUrl::FullyEncoded);
        urls.append(url);
        if (duringFetch) {
            auto action = std::move(duringFetch);
            duringFetch = nullptr;
            QTimer::singleShot(0, action);
        }
        if (holdOpen) {
            QEventLoop wait;
            pending = &wait;
            QTimer deadline;
            QObject::connect(&deadline, &QTimer::timeout, &wait, [&wait] {
                QTest::qFail("a held fetch was never released", __FILE__, __LINE__);
                wait.quit();
            });
            deadline.start(TestHelpers::kWaitDeadlineMs);
            wait.exec();
            pending = nullptr;
        }
        if (silent)
            return QByteArray();
        QString reply;
        const QString list = url.section(QStringLiteral("scr="), 1).section(u'&', 0, 0);
        for (const QString &symbol : list.split(u',', Qt::SkipEmptyParts))
            if (!leftOut.contains(symbol))
                reply += symbol.toUpper() + u',' +
                         (fields.isEmpty()
                              ? QStringLiteral("1,2,%1,(+1%),UP,3,4,5,6,7").arg(prices.value(symbol.toUpper(), 100))
                              : fields) +
                         QStringLiteral("\r\n");
        return reply.toLatin1();
    }

    void release()
    {
        if (pending)
            pending->quit();
    }
};

class tst_MainWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void startsWithNoFileShowingOneBlankRow();
    void startsFromAnAllBlankFileWithOneEmptyRequest();
    void startsWithThreeSymbolsAndTheFirstFetch();
    void keepsSpacesAndLineEndsOfTheFile();
    void longListLoadsInWholeInsertionsWithEventsBetween();
    void addPutsTheScripInTheSpareRowStringAndFile();
    void duplicateIsRefusedAndNothingChanges();
    void duplicateCheckMatchesWholeSymbolsOnly();
    void aFullListRefusesAnAddWithAMessage();
    void deleteRemovesRowStringEntryAndFileLine();
    void deletingOneOfTwoDuplicatesKeepsTheOther();
    void spareRowRightClickShowsNoMenu();
    void deleteWaitsForTheRunningTimerRefresh();
    void closingDuringAWaitPaintsNothingMore();
    void closingWhileAnAddWaitsLeavesTheTimerOffAndPaintsNothing();
    void failedSaveIsReportedAndTheListKept();
    void gridFollowsTheWindowSize();
    void controlsStandWhereDesigned();
    void screenReaderHearsTicksAndTrendsAsWords();
    void deleteKeyDeletesTheCurrentRowsScrip();
    void keyboardMenuOpensAtTheCurrentRowsCell_data();
    void keyboardMenuOpensAtTheCurrentRowsCell();
    void deleteWithShiftOrCtrlDeletesNothing_data();
    void deleteWithShiftOrCtrlDeletesNothing();
    void keyboardMenuScrollsToTheCurrentRowOutOfView_data();
    void keyboardMenuScrollsToTheCurrentRowOutOfView();
    void ctrlCCopiesHeadersThenTheSelectedRows();
    void ctrlCKeepsTheColumnsOfACellHoldingATab();
    void ctrlCWithNothingSelectedCopiesTheCurrentRow();
    void statusLineSaysHowCurrentThePricesAre();
    void rowToolTipTellsWhenItsQuoteWasUpdated();
    void aRowTheServiceStopsAnsweringReadsAsOld();
    void screenReaderHearsTheStatusLineOnlyWhenItsStateChanges();
    void numbersAreNeverCut_data();
    void numbersAreNeverCut();
    void chartsStayWithTheirRowsAcrossDeletes();
    void anEmptyListNeverSaysTheServiceDoesNotAnswer_data();
    void anEmptyListNeverSaysTheServiceDoesNotAnswer();
    void addingToAListTurnsTheTimerOffWhileTheNewRowWaits();

private:
    std::unique_ptr<frmTickerloom> start(const QByteArray *fileBytes);
    // Starts on the list with every refresh dated by the clock, shown and
    // with the keyboard in the grid.
    std::unique_ptr<frmTickerloom> startShown(const QByteArray &fileBytes, const QTime *clock = nullptr);
    QString path() const { return m_dir->filePath(QStringLiteral("Scrips.dat")); }

    std::unique_ptr<QTemporaryDir> m_dir;
    FakeQuotes m_quotes;
};

void tst_MainWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_quotes = FakeQuotes();
}

void tst_MainWindow::cleanup()
{
    m_dir.reset();
}

std::unique_ptr<frmTickerloom> tst_MainWindow::start(const QByteArray *fileBytes)
{
    if (fileBytes)
        TestHelpers::writeFile(path(), *fileBytes);
    auto window = std::make_unique<frmTickerloom>(path(), [this](const QUrl &url) { return m_quotes.fetch(url); });
    window->OnWindowLoad();
    return window;
}

std::unique_ptr<frmTickerloom> tst_MainWindow::startShown(const QByteArray &fileBytes, const QTime *clock)
{
    TestHelpers::writeFile(path(), fileBytes);
    auto window = std::make_unique<frmTickerloom>(path(), [this](const QUrl &url) { return m_quotes.fetch(url); });
    if (clock)
        window->findChild<QuoteRefresher *>()->setClock([clock] { return QDateTime(QDate(2024, 3, 1), *clock); });
    window->OnWindowLoad();
    window->show();
    if (!QTest::qWaitForWindowActive(window.get()))
        qWarning("the window did not become active");
    window->quoteGrid()->setFocus();
    return window;
}

static SwitchTimer *timerOf(frmTickerloom &window)
{
    return window.findChild<SwitchTimer *>(QStringLiteral("Timer1"));
}
static GridModel *gridOf(frmTickerloom &window)
{
    return window.quoteGrid()->grid();
}

void tst_MainWindow::startsWithNoFileShowingOneBlankRow()
{
    auto window = start(nullptr);
    QCOMPARE(gridOf(*window)->rowCount(), 1);
    QVERIFY(m_quotes.urls.isEmpty());
    QVERIFY(!timerOf(*window)->isEnabled());
    GridModel *grid = gridOf(*window);
    QVERIFY(!(grid->flags(grid->index(0, 0)) & Qt::ItemIsEditable)); // the user edits no cell
    QVERIFY(!QFile::exists(path()));                                 // nothing is written at start-up
}

void tst_MainWindow::startsFromAnAllBlankFileWithOneEmptyRequest()
{
    const QByteArray blank("\r\n   \r\n\r\n");
    auto window = start(&blank);
    QCOMPARE(gridOf(*window)->rowCount(), 1);
    QCOMPARE(m_quotes.urls.size(), 1);
    QVERIFY(m_quotes.urls[0].endsWith(QStringLiteral("?scr=&tl=1&ft=1")));
    QVERIFY(!timerOf(*window)->isEnabled());
}

void tst_MainWindow::startsWithThreeSymbolsAndTheFirstFetch()
{
    const QByteArray three("A\r\nB\r\nC\r\n");
    auto window = start(&three);
    GridModel *grid = gridOf(*window);
    QCOMPARE(grid->rowCount(), 4);
    QCOMPARE(grid->text(3, Col::Symbol), QStringLiteral("C"));
    QCOMPARE(grid->text(4, Col::Symbol), QString());
    QCOMPARE(window->watchListText(), QStringLiteral(",A,,B,,C,"));
    QCOMPARE(m_quotes.urls.size(), 1);
    QVERIFY(m_quotes.urls[0].endsWith(QStringLiteral("?scr=,A,B,C,&tl=1&ft=1")));
    QCOMPARE(grid->text(2, Col::Open), QStringLiteral("6.00"));
    QVERIFY(timerOf(*window)->isEnabled());
    QCOMPARE(timerOf(*window)->interval(), 5000);

    TestHelpers::refreshTick(window.get());
    QVERIFY(m_quotes.urls[1].endsWith(QStringLiteral("?scr=,A,B,C,&tl=1")));
    QVERIFY(timerOf(*window)->isEnabled());
}

void tst_MainWindow::keepsSpacesAndLineEndsOfTheFile()
{
    const QByteArray odd("  ABC  \r\n\r\nX\nY\rLAST");
    auto window = start(&odd);
    GridModel *grid = gridOf(*window);
    QCOMPARE(grid->rowCount(), 5);
    QCOMPARE(grid->text(1, Col::Symbol), QStringLiteral("  ABC  "));
    QCOMPARE(grid->text(2, Col::Symbol), QStringLiteral("X"));
    QCOMPARE(grid->text(3, Col::Symbol), QStringLiteral("Y"));
    QCOMPARE(grid->text(4, Col::Symbol), QStringLiteral("LAST"));

    window->quoteGrid()->selectBlock(1, 4, -1, 4);
    window->OnDeleteScrip();
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("  ABC  \r\nX\r\nY\r\n\r\n"));
}

void tst_MainWindow::longListLoadsInWholeInsertionsWithEventsBetween()
{
    QByteArray lines;
    for (int i = 0; i < 30000; ++i)
        lines += "S" + QByteArray::number(i) + (i % 7 ? "\r\n" : "\r\n  \r\n");
    TestHelpers::writeFile(path(), lines);
    frmTickerloom window(path(), [this](const QUrl &url) { return m_quotes.fetch(url); });
    GridModel *grid = window.quoteGrid()->grid();
    QSignalSpy resets(grid, &QAbstractItemModel::modelAboutToBeReset);
    QSignalSpy inserts(grid, &QAbstractItemModel::rowsInserted);
    // An event handled during the load (a load quicker than one slice may
    // handle none) finds every row the model reports whole.
    QList<int> seen;
    QTimer probe;
    connect(&probe, &QTimer::timeout, this, [&] {
        const int rows = grid->rowCount();
        seen.append(rows);
        QCOMPARE(grid->text(rows, Col::Symbol), rows == 0 ? QString() : QStringLiteral("S%1").arg(rows - 1));
    });
    probe.start(0);
    window.OnWindowLoad();
    probe.stop();
    QCOMPARE(grid->rowCount(), 30001);
    QCOMPARE(resets.size(), 0);
    QVERIFY(!inserts.isEmpty());
}

void tst_MainWindow::addPutsTheScripInTheSpareRowStringAndFile()
{
    auto window = start(nullptr);
    QVERIFY(window->addScrip(QStringLiteral("ABC")));
    GridModel *grid = gridOf(*window);
    QCOMPARE(grid->rowCount(), 2);
    QCOMPARE(grid->text(1, Col::Symbol), QStringLiteral("ABC"));
    QCOMPARE(grid->text(1, Col::Open), QStringLiteral("6.00")); // fetched at once, first fetch
    QVERIFY(m_quotes.urls.last().endsWith(QStringLiteral("?scr=ABC&tl=1&ft=1")));
    QCOMPARE(window->watchListText(), QStringLiteral(",ABC,"));
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("ABC\r\n\r\n"));
    QVERIFY(timerOf(*window)->isEnabled());

    QVERIFY(!window->addScrip(QString()));            // a cancelled dialog adds nothing
    QVERIFY(window->addScrip(QStringLiteral("abc"))); // another case is another scrip
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("ABC\r\nabc\r\n\r\n"));
}

void tst_MainWindow::duplicateIsRefusedAndNothingChanges()
{
    const QByteArray one("ABC\r\n\r\n");
    auto window = start(&one);
    const int requests = int(m_quotes.urls.size());
    TestHelpers::MessageBoxCloser closer;
    QVERIFY(!window->addScrip(QStringLiteral("ABC")));
    QCOMPARE(closer.texts(), QStringList{QStringLiteral("Scrip already added")});
    QCOMPARE(closer.icons(), QList<int>{QMessageBox::NoIcon}); // the text, an OK button and the title alone
    QCOMPARE(gridOf(*window)->rowCount(), 2);
    QCOMPARE(window->watchListText(), QStringLiteral(",ABC,"));
    QCOMPARE(TestHelpers::readFile(path()), one);
    QCOMPARE(m_quotes.urls.size(), requests);
}

void tst_MainWindow::duplicateCheckMatchesWholeSymbolsOnly()
{
    const QByteArray one("TCS\r\n");
    auto window = start(&one);
    TestHelpers::MessageBoxCloser closer;
    QVERIFY(window->addScrip(QStringLiteral("TC")));
    QVERIFY(window->addScrip(QStringLiteral("CS")));
    QVERIFY(!window->addScrip(QStringLiteral("TCS")));
    QCOMPARE(closer.texts().size(), 1);
    QCOMPARE(window->watchListText(), QStringLiteral(",TCS,,TC,,CS,"));
}

void tst_MainWindow::aFullListRefusesAnAddWithAMessage()
{
    QByteArray full;
    for (int i = 0; i < WatchList::kMaxScrips; ++i)
        full += "S" + QByteArray::number(i) + "\r\n";
    auto window = start(&full);
    TestHelpers::MessageBoxCloser closer;
    QVERIFY(!window->addScrip(QStringLiteral("ONE.MORE")));
    QCOMPARE(closer.texts().size(), 1);
    QVERIFY(closer.texts()[0].contains(QStringLiteral("32,765")));
    QCOMPARE(gridOf(*window)->rowCount(), WatchList::kMaxScrips + 1);
    QCOMPARE(TestHelpers::readFile(path()), full); // not even rewritten

    window->onGridRightClick(1, 1, QPoint());
    window->OnDeleteScrip();
    QVERIFY(window->addScrip(QStringLiteral("ONE.MORE"))); // room again
}

void tst_MainWindow::deleteRemovesRowStringEntryAndFileLine()
{
    const QByteArray three("A\r\nB\r\nC\r\n");
    auto window = start(&three);
    window->onGridRightClick(1, 2, QPoint(10, 10));
    QCOMPARE(window->quoteGrid()->activeRow(), 2);
    window->findChild<QAction *>(QStringLiteral("mnuDelete"))->trigger();
    GridModel *grid = gridOf(*window);
    QCOMPARE(grid->rowCount(), 3);
    QCOMPARE(grid->text(2, Col::Symbol), QStringLiteral("C"));
    QCOMPARE(grid->text(2, Col::Bid), QStringLiteral("1.00")); // C's quote moved up with it
    QCOMPARE(window->watchListText(), QStringLiteral(",A,,C,"));
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("A\r\nC\r\n\r\n"));
    QVERIFY(timerOf(*window)->isEnabled());

    for (int i = 0; i < 2; ++i) {
        window->onGridRightClick(1, 1, QPoint());
        window->OnDeleteScrip();
    }
    QCOMPARE(grid->rowCount(), 1);
    QCOMPARE(window->watchListText(), QString());
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("\r\n"));
    QVERIFY(timerOf(*window)->isEnabled());
}

void tst_MainWindow::deletingOneOfTwoDuplicatesKeepsTheOther()
{
    const QByteArray twice("ABC\r\nX\r\nABC\r\n");
    auto window = start(&twice);
    QCOMPARE(window->watchListText(), QStringLiteral(",ABC,,X,,ABC,"));
    window->onGridRightClick(1, 1, QPoint());
    window->OnDeleteScrip();
    QCOMPARE(window->watchListText(), QStringLiteral(",X,,ABC,"));
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("X\r\nABC\r\n\r\n"));
    TestHelpers::refreshTick(window.get());
    QVERIFY(m_quotes.urls.last().endsWith(QStringLiteral("?scr=,X,ABC,&tl=1")));
    TestHelpers::MessageBoxCloser closer;
    QVERIFY(!window->addScrip(QStringLiteral("ABC"))); // still listed
}

void tst_MainWindow::spareRowRightClickShowsNoMenu()
{
    const QByteArray one("A\r\n");
    auto window = start(&one);
    window->show();
    auto *menu = window->findChild<QMenu *>(QStringLiteral("mnuTickerloom"));
    window->onGridRightClick(1, 2, QPoint(50, 50));
    QVERIFY(!menu->isVisible());
    window->onGridRightClick(1, 0, QPoint(50, 50)); // below the rows
    QVERIFY(!menu->isVisible());
    window->onGridRightClick(1, 1, QPoint(50, 50));
    QTRY_VERIFY(menu->isVisible());
    menu->hide();
    QCOMPARE(window->quoteGrid()->activeRow(), 1);
}

void tst_MainWindow::deleteWaitsForTheRunningTimerRefresh()
{
    const QByteArray two("A\r\nB\r\n");
    auto window = start(&two);
    window->onGridRightClick(1, 1, QPoint());
    m_quotes.holdOpen = true;
    int rowsWhileWaiting = 0;
    m_quotes.duringFetch = [&] {
        // Chosen while the refresh waits for the network.
        window->findChild<QAction *>(QStringLiteral("mnuDelete"))->trigger();
        QTimer::singleShot(200, [&] {
            rowsWhileWaiting = gridOf(*window)->rowCount();
            m_quotes.release();
        });
    };
    TestHelpers::refreshTick(window.get());
    QCOMPARE(rowsWhileWaiting, 3); // nothing was deleted while the refresh ran
    QCOMPARE(gridOf(*window)->rowCount(), 2);
    QCOMPARE(gridOf(*window)->text(1, Col::Symbol), QStringLiteral("B"));
    QCOMPARE(window->watchListText(), QStringLiteral(",B,"));
    QVERIFY(timerOf(*window)->isEnabled());
}

void tst_MainWindow::closingDuringAWaitPaintsNothingMore()
{
    const QByteArray two("A\r\nB\r\n");
    auto window = start(&two);
    window->show();
    const QString shownBefore = gridOf(*window)->text(1, Col::Bid);
    m_quotes.holdOpen = true;
    m_quotes.duringFetch = [&] { window->close(); };
    TestHelpers::refreshTick(window.get()); // returns because the close ended the waits
    QVERIFY(window->isClosing());
    QVERIFY(!timerOf(*window)->isEnabled());
    QCOMPARE(gridOf(*window)->text(1, Col::Bid), shownBefore);
    QCOMPARE(gridOf(*window)->backColour(1, Col::Ltp), GridModel::kNoColour);
    TestHelpers::clearQuitRequest();
}

void tst_MainWindow::closingWhileAnAddWaitsLeavesTheTimerOffAndPaintsNothing()
{
    const QByteArray one("A\r\n");
    auto window = start(&one);
    window->show();
    m_quotes.holdOpen = true;
    m_quotes.duringFetch = [&] { window->close(); };
    QVERIFY(window->addScrip(QStringLiteral("NEW"))); // returns because the close ended the waits
    QVERIFY(window->isClosing());
    QVERIFY(!timerOf(*window)->isEnabled());
    QCOMPARE(gridOf(*window)->text(2, Col::Symbol), QStringLiteral("NEW"));
    QCOMPARE(gridOf(*window)->text(2, Col::Bid), QString());                 // nothing painted after the close
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("A\r\nNEW\r\n\r\n")); // and nothing lost
    TestHelpers::clearQuitRequest();
}

void tst_MainWindow::failedSaveIsReportedAndTheListKept()
{
    QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Scrips.dat"))); // a folder where the file should go
    TestHelpers::MessageBoxCloser closer;
    auto window = start(nullptr);
    QCOMPARE(closer.texts().size(), 1); // it cannot be read, and says so at start
    QVERIFY(closer.texts()[0].contains(path()));
    QVERIFY(window->addScrip(QStringLiteral("ABC")));
    QCOMPARE(closer.texts().size(), 2);
    QVERIFY(closer.texts()[1].contains(path()));
    QVERIFY(QFileInfo(path()).isDir());
    QCOMPARE(gridOf(*window)->text(1, Col::Symbol), QStringLiteral("ABC"));
    QCOMPARE(window->watchListText(), QStringLiteral(",ABC,"));
    QVERIFY(timerOf(*window)->isEnabled());
}

void tst_MainWindow::gridFollowsTheWindowSize()
{
    auto window = start(nullptr);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    auto *grid = window->quoteGrid();
    window->resize(800, 500);
    QTRY_COMPARE(grid->height(), window->frameGeometry().height() - 62 - 27);
    QCOMPARE(grid->width(), window->frameGeometry().width() - 7);
    const QSize fitted = grid->size();
    window->resize(300, 70); // too small: the grid keeps its last size
    QTRY_COMPARE(window->height(), 70);
    QCOMPARE(grid->size(), fitted);
    QCOMPARE(grid->pos(), QPoint(0, 62));
}

void tst_MainWindow::controlsStandWhereDesigned()
{
    auto window = start(nullptr);
    QCOMPARE(window->windowTitle(), QStringLiteral("Tickerloom"));
    QVERIFY(!window->windowIcon().isNull());
    auto *button = window->findChild<QPushButton *>(QStringLiteral("Command1"));
    QCOMPARE(button->text(), QStringLiteral("Add Scrip"));
    QCOMPARE(button->geometry(), QRect(10, 22, 79, 22));
    QCOMPARE(window->quoteGrid()->objectName(), QStringLiteral("fpSpread1"));
    QCOMPARE(window->quoteGrid()->model()->columnCount(), 11);
    QCOMPARE(window->findChild<QMenu *>(QStringLiteral("mnuTickerloom"))->title(), QStringLiteral("Tickerloom"));
    window->show();
    QVERIFY(QTest::qWaitForWindowActive(window.get()));
    QTRY_VERIFY(window->quoteGrid()->hasFocus()); // first in the tab order
    QTest::keyClick(window->quoteGrid(), Qt::Key_Tab);
    QTRY_VERIFY(button->hasFocus());
}

void tst_MainWindow::screenReaderHearsTicksAndTrendsAsWords()
{
    const QByteArray two("UP\r\nDN\r\n");
    auto window = start(&two);
    window->show();
    QVERIFY(QTest::qWaitForWindowExposed(window.get()));
    // The fake service answers 100 for every symbol, shown 100.00 after the first fetch.
    gridOf(*window)->setNumber(1, Col::Ltp, 99);
    gridOf(*window)->setNumber(2, Col::Ltp, 101);
    TestHelpers::refreshTick(window.get());

    QAccessibleInterface *view = QAccessible::queryAccessibleInterface(window->quoteGrid());
    QVERIFY(view && view->tableInterface());
    const auto cell = [&](int row, int col) { return view->tableInterface()->cellAt(row - 1, col - 1); };
    const auto said = [&](int row, int col) { return cell(row, col)->text(QAccessible::Name); };
    QCOMPARE(said(1, Col::Symbol), QStringLiteral("UP, rose"));
    QCOMPARE(said(1, Col::Ltp), QStringLiteral("100.00, rose"));
    QCOMPARE(said(2, Col::Ltp), QStringLiteral("100.00, fell"));
    QCOMPARE(said(1, Col::Trend), QStringLiteral("up")); // the fake's change is +1%
    QCOMPARE(said(1, Col::Bid), QStringLiteral("1.00")); // no colour: the shown text alone
    QCOMPARE(cell(1, Col::Ltp)->text(QAccessible::Description), QStringLiteral("rose"));
    TestHelpers::refreshTick(window.get());
    QCOMPARE(said(2, Col::Ltp), QStringLiteral("100.00, unchanged"));
    const QList<QAccessibleInterface *> header = cell(1, Col::Ltp)->tableCellInterface()->columnHeaderCells();
    QCOMPARE(header.size(), 1);
    QCOMPARE(header[0]->text(QAccessible::Name), QStringLiteral("LTP"));
    // Qt makes header cells for the asker and keeps no hold of them: handed
    // to its cache, they go the way every interface goes.
    for (QAccessibleInterface *cellOfHeader : header)
        QAccessible::deleteAccessibleInterface(QAccessible::registerAccessibleInterface(cellOfHeader));
}

void tst_MainWindow::deleteKeyDeletesTheCurrentRowsScrip()
{
    auto window = startShown("A\r\nB\r\nC\r\n");
    SpreadGrid *view = window->quoteGrid();
    QTest::keyClick(view, Qt::Key_Down);
    QCOMPARE(view->activeRow(), 2);
    QTest::keyClick(view, Qt::Key_Delete);
    QCOMPARE(window->watchListText(), QStringLiteral(",A,,C,"));
    QCOMPARE(gridOf(*window)->text(2, Col::Symbol), QStringLiteral("C"));
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("A\r\nC\r\n\r\n"));
    QVERIFY(timerOf(*window)->isEnabled());
    QCOMPARE(view->activeRow(), 2); // C took B's place: Delete again goes on down the list

    // The keypad's Del key, with Num Lock off, is the same key.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Delete, Qt::KeypadModifier);
    QCOMPARE(window->watchListText(), QStringLiteral(",C,"));

    // The spare row holds no scrip: the key does nothing there.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(view, Qt::Key_Down);
    QCOMPARE(view->activeRow(), 2);
    QTest::keyClick(view, Qt::Key_Delete);
    QCOMPARE(window->watchListText(), QStringLiteral(",C,"));
    QCOMPARE(gridOf(*window)->rowCount(), 2);
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("C\r\n\r\n"));
}

void tst_MainWindow::keyboardMenuOpensAtTheCurrentRowsCell_data()
{
    QTest::addColumn<bool>("menuKey");
    QTest::newRow("Shift+F10") << false;
    QTest::newRow("Menu key") << true;
}

// The Menu key reaches the focused widget as the window system hands it on: a
// keyboard context-menu event at the centre of the rectangle the widget gives
// for its text cursor, in the widget's own coordinates.
static void openKeyboardMenu(SpreadGrid *view, bool menuKey)
{
    if (!menuKey) {
        QTest::keyClick(view, Qt::Key_F10, Qt::ShiftModifier);
        return;
    }
    const QPoint at = view->inputMethodQuery(Qt::ImCursorRectangle).toRect().center();
    QContextMenuEvent event(QContextMenuEvent::Keyboard, at, view->mapToGlobal(at));
    QApplication::sendEvent(view, &event);
}

void tst_MainWindow::keyboardMenuOpensAtTheCurrentRowsCell()
{
    QFETCH(bool, menuKey);
    auto window = startShown("A\r\nB\r\nC\r\n");
    SpreadGrid *view = window->quoteGrid();
    auto *menu = window->findChild<QMenu *>(QStringLiteral("mnuTickerloom"));
    // The spare row offers nothing.
    for (int i = 0; i < 3; ++i)
        QTest::keyClick(view, Qt::Key_Down);
    QCOMPARE(view->activeRow(), 4);
    openKeyboardMenu(view, menuKey);
    QTest::qWait(20);
    QVERIFY(!menu->isVisible());

    QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Right);
    QTest::keyClick(view, Qt::Key_Right);
    openKeyboardMenu(view, menuKey);
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(view->activeRow(), 2);
    const QRect cell = view->visualRect(gridOf(*window)->index(1, 2));
    const QRect onScreen(view->viewport()->mapToGlobal(cell.topLeft()), cell.size());
    QVERIFY2(onScreen.contains(menu->pos()),
             qPrintable(QStringLiteral("the menu at (%1, %2), the cell at (%3, %4) %5 x %6")
                            .arg(menu->x())
                            .arg(menu->y())
                            .arg(onScreen.x())
                            .arg(onScreen.y())
                            .arg(onScreen.width())
                            .arg(onScreen.height())));
    window->findChild<QAction *>(QStringLiteral("mnuDelete"))->trigger();
    menu->hide();
    QCOMPARE(window->watchListText(), QStringLiteral(",A,,C,"));
}

void tst_MainWindow::deleteWithShiftOrCtrlDeletesNothing_data()
{
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::newRow("Shift+Del") << Qt::KeyboardModifiers(Qt::ShiftModifier);
    QTest::newRow("Ctrl+Del") << Qt::KeyboardModifiers(Qt::ControlModifier);
    QTest::newRow("Ctrl+Shift+Del") << (Qt::ShiftModifier | Qt::ControlModifier);
    QTest::newRow("Alt+Del") << Qt::KeyboardModifiers(Qt::AltModifier);
}

// Only the plain Delete key deletes: a chord meant for something else must not lose a scrip.
void tst_MainWindow::deleteWithShiftOrCtrlDeletesNothing()
{
    QFETCH(Qt::KeyboardModifiers, modifiers);
    auto window = startShown("A\r\nB\r\n");
    SpreadGrid *view = window->quoteGrid();
    QTest::keyClick(view, Qt::Key_Down);
    QCOMPARE(view->activeRow(), 2);
    QTest::keyClick(view, Qt::Key_Delete, modifiers);
    QCOMPARE(window->watchListText(), QStringLiteral(",A,,B,"));
    QCOMPARE(gridOf(*window)->rowCount(), 3);
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("A\r\nB\r\n"));
}

void tst_MainWindow::keyboardMenuScrollsToTheCurrentRowOutOfView_data()
{
    keyboardMenuOpensAtTheCurrentRowsCell_data();
}

void tst_MainWindow::keyboardMenuScrollsToTheCurrentRowOutOfView()
{
    QFETCH(bool, menuKey);
    QByteArray many;
    for (int i = 1; i <= 200; ++i)
        many += "S" + QByteArray::number(i) + "\r\n";
    auto window = startShown(many);
    SpreadGrid *view = window->quoteGrid();
    auto *menu = window->findChild<QMenu *>(QStringLiteral("mnuTickerloom"));
    QTest::keyClick(view, Qt::Key_Down);
    QCOMPARE(view->activeRow(), 2);
    const QModelIndex current = gridOf(*window)->index(1, 0);
    view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum()); // the wheel moves no current cell
    QVERIFY(!view->viewport()->rect().intersects(view->visualRect(current)));

    openKeyboardMenu(view, menuKey);
    QTRY_VERIFY(menu->isVisible());
    const QRect cell = view->visualRect(current);
    QVERIFY2(view->viewport()->rect().contains(cell), "the current row was not scrolled into view");
    QVERIFY(QRect(view->viewport()->mapToGlobal(cell.topLeft()), cell.size()).contains(menu->pos()));
    window->findChild<QAction *>(QStringLiteral("mnuDelete"))->trigger();
    menu->hide();
    QCOMPARE(gridOf(*window)->text(2, Col::Symbol), QStringLiteral("S3")); // S2 went, the row it was opened on
}

static QStringList clipboardLines()
{
    return QGuiApplication::clipboard()->text().split(u'\n');
}

static const QString kHeaderLine =
    QStringLiteral("SYMBOL\tBID\tASK\tLTP\tCHANGE %\tTREND\tOPEN\tHIGH\tLOW\tP.CLOSE\tVOLUME");

void tst_MainWindow::ctrlCCopiesHeadersThenTheSelectedRows()
{
    auto window = startShown("A\r\nB\r\nC\r\n");
    SpreadGrid *view = window->quoteGrid();
    QGuiApplication::clipboard()->clear();
    const auto cellCentre = [&](int row, int col) {
        return view->visualRect(gridOf(*window)->index(row - 1, col - 1)).center();
    };
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cellCentre(3, 4));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, cellCentre(1, 2));
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = clipboardLines();
    QCOMPARE(lines.size(), 4); // the last line ends too
    QCOMPARE(lines[0], kHeaderLine);
    QCOMPARE(lines[1].split(u'\t').size(), 11);
    QCOMPARE(lines[1].split(u'\t').first(), QStringLiteral("A")); // in grid order, whole rows
    QCOMPARE(lines[1].split(u'\t')[Col::Ltp - 1], QStringLiteral("100.00"));
    QCOMPARE(lines[1].split(u'\t')[Col::Trend - 1], QStringLiteral("up")); // a picture as words
    QCOMPARE(lines[2].split(u'\t').first(), QStringLiteral("C"));
    QCOMPARE(lines[3], QString());

    // Read-only all the same: typing and F2 edit nothing.
    QTest::keyClicks(view, QStringLiteral("X"));
    QTest::keyClick(view, Qt::Key_F2);
    QTest::keyClick(view, Qt::Key_V, Qt::ControlModifier);
    QVERIFY(!view->viewport()->findChild<QLineEdit *>()); // no editor opened
    QVERIFY(!(gridOf(*window)->flags(gridOf(*window)->index(0, 0)) & Qt::ItemIsEditable));
    QCOMPARE(gridOf(*window)->text(1, Col::Symbol), QStringLiteral("A"));
    QCOMPARE(gridOf(*window)->text(1, Col::Bid), QStringLiteral("1.00"));
    QCOMPARE(window->watchListText(), QStringLiteral(",A,,B,,C,"));
}

// A spreadsheet pastes a tab as a column break: the cell's tab must not shift the columns after it.
void tst_MainWindow::ctrlCKeepsTheColumnsOfACellHoldingATab()
{
    auto window = startShown("A\tB\r\nC\r\n");
    SpreadGrid *view = window->quoteGrid();
    QCOMPARE(gridOf(*window)->text(1, Col::Symbol), QStringLiteral("A\tB"));
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = clipboardLines();
    QCOMPARE(lines.size(), 3);
    const QStringList cells = lines[1].split(u'\t');
    QCOMPARE(cells.size(), 11);
    QVERIFY2(cells[0].startsWith(u'A') && cells[0].endsWith(u'B'), qPrintable(cells[0]));
}

void tst_MainWindow::ctrlCWithNothingSelectedCopiesTheCurrentRow()
{
    auto window = startShown("A\r\nB\r\nC\r\n");
    SpreadGrid *view = window->quoteGrid();
    QTest::keyClick(view, Qt::Key_Down);
    view->clearSelection();
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(view, Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = clipboardLines();
    QCOMPARE(lines.size(), 3);
    QCOMPARE(lines[0], kHeaderLine);
    QCOMPARE(lines[1].split(u'\t').first(), QStringLiteral("B"));
}

// What a screen reader can read of a control: its name and its value.
static QString heard(QWidget *control)
{
    QAccessibleInterface *said = QAccessible::queryAccessibleInterface(control);
    return said ? said->text(QAccessible::Name) + u'\n' + said->text(QAccessible::Value) : QString();
}

void tst_MainWindow::statusLineSaysHowCurrentThePricesAre()
{
    QTime clock(14, 3, 5);
    auto window = startShown("A\r\nB\r\n", &clock);
    auto *status = window->findChild<QLabel *>(QStringLiteral("lblStatus"));
    QVERIFY(status && status->isVisible());
    const QRect button = window->findChild<QPushButton *>(QStringLiteral("Command1"))->geometry();
    QVERIFY(status->x() >= button.right() &&
            status->geometry().intersects(QRect(0, button.y(), 2000, button.height())));
    QCOMPARE(status->text(), QStringLiteral("Updated 14:03:05"));
    QVERIFY2(heard(status).contains(status->text()), qPrintable(heard(status)));

    clock = QTime(14, 3, 10);
    m_quotes.silent = true; // the service stops answering
    TestHelpers::refreshTick(window.get());
    QCOMPARE(status->text(), QStringLiteral("No answer from the quote service; prices from 14:03:05"));
    QVERIFY2(heard(status).contains(status->text()), qPrintable(heard(status)));
    QCOMPARE(gridOf(*window)->text(1, Col::Ltp), QStringLiteral("100.00")); // still shown, now said to be old

    clock = QTime(14, 3, 15);
    m_quotes.silent = false;
    TestHelpers::refreshTick(window.get());
    QCOMPARE(status->text(), QStringLiteral("Updated 14:03:15"));
}

void tst_MainWindow::rowToolTipTellsWhenItsQuoteWasUpdated()
{
    QTime clock(9, 15, 0);
    auto window = startShown("A\r\nB\r\n", &clock);
    const auto tip = [&](int row, int col) {
        return gridOf(*window)->data(gridOf(*window)->index(row - 1, col - 1), Qt::ToolTipRole).toString();
    };
    QVERIFY2(tip(1, Col::Ltp).contains(QStringLiteral("09:15:00")), qPrintable(tip(1, Col::Ltp)));
    clock = QTime(9, 15, 5);
    TestHelpers::refreshTick(window.get());
    QVERIFY2(tip(2, Col::Symbol).contains(QStringLiteral("09:15:05")), qPrintable(tip(2, Col::Symbol)));
    QVERIFY(tip(2, Col::Symbol).contains(QStringLiteral("B")));
    clock = QTime(9, 15, 10);
    m_quotes.silent = true; // an unanswered refresh updates no quote
    TestHelpers::refreshTick(window.get());
    QVERIFY2(tip(1, Col::Volume).contains(QStringLiteral("09:15:05")), qPrintable(tip(1, Col::Volume)));
    QCOMPARE(tip(3, Col::Symbol), QString()); // the spare row has no quote to tell of

    // The grid shows it where the pointer rests.
    SpreadGrid *view = window->quoteGrid();
    const QPoint at = view->visualRect(gridOf(*window)->index(1, Col::Ltp - 1)).center();
    QHelpEvent help(QEvent::ToolTip, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &help);
    QTRY_VERIFY(QToolTip::isVisible());
    QVERIFY2(QToolTip::text().contains(QStringLiteral("09:15:05")), qPrintable(QToolTip::text()));
    QToolTip::hideText();
}

void tst_MainWindow::aRowTheServiceStopsAnsweringReadsAsOld()
{
    QTime clock(14, 3, 5);
    auto window = startShown("A\r\nB\r\nC\r\n", &clock);
    GridModel *grid = gridOf(*window);
    const auto cell = [grid](int row, int col, int role) { return grid->data(grid->index(row - 1, col - 1), role); };
    clock = QTime(14, 3, 10);
    TestHelpers::refreshTick(window.get());
    clock = QTime(14, 3, 15);
    m_quotes.leftOut = QStringList{"B", "C"};
    TestHelpers::refreshTick(window.get());

    auto *status = window->findChild<QLabel *>(QStringLiteral("lblStatus"));
    QCOMPARE(status->text(), QStringLiteral("Updated 14:03:15 · 2 scrips not updated"));
    QCOMPARE(cell(2, Col::Ltp, Qt::DisplayRole).toString(), QStringLiteral("100.00")); // kept, with its tick colour
    QCOMPARE(grid->backColour(2, Col::Symbol), QuoteRefresher::kSameColour);
    QVERIFY(cell(2, Col::Symbol, Qt::ForegroundRole) != cell(1, Col::Symbol, Qt::ForegroundRole));
    QVERIFY(cell(2, Col::Symbol, Qt::FontRole).value<QFont>().italic());
    QVERIFY(!cell(1, Col::Symbol, Qt::FontRole).value<QFont>().italic());
    for (int col : {int(Col::Symbol), int(Col::Ltp), int(Col::Volume)}) {
        const QString described = cell(2, col, Qt::AccessibleDescriptionRole).toString();
        QVERIFY2(described.endsWith(QStringLiteral("not updated since 14:03:10")), qPrintable(described));
    }
    QCOMPARE(cell(1, Col::Symbol, Qt::AccessibleDescriptionRole).toString(), QStringLiteral("unchanged"));

    m_quotes.leftOut.clear(); // answered again: the mark goes
    TestHelpers::refreshTick(window.get());
    QCOMPARE(cell(2, Col::Symbol, Qt::AccessibleDescriptionRole).toString(), QStringLiteral("unchanged"));
    QCOMPARE(cell(2, Col::Symbol, Qt::ForegroundRole), cell(1, Col::Symbol, Qt::ForegroundRole));
}

void tst_MainWindow::screenReaderHearsTheStatusLineOnlyWhenItsStateChanges()
{
    QTime clock(14, 3, 5);
    auto window = startShown("A\r\n", &clock);
    auto *status = window->findChild<StatusLine *>(QStringLiteral("lblStatus"));
    QSignalSpy announced(status, &StatusLine::announced);
    const auto told = [&announced] { return int(announced.size()); };
    QList<int> toldAfter;
    for (int tick = 1; tick <= 3; ++tick) { // current, a new time every tick
        clock = clock.addSecs(5);
        TestHelpers::refreshTick(window.get());
        QVERIFY2(heard(status).contains(status->text()), qPrintable(heard(status))); // read as it is now
    }
    toldAfter.append(told());
    m_quotes.silent = true;
    TestHelpers::refreshTick(window.get());
    TestHelpers::refreshTick(window.get());
    toldAfter.append(told());
    m_quotes.silent = false;
    TestHelpers::refreshTick(window.get());
    toldAfter.append(told());
    QVERIFY2(heard(status).contains(status->text()), qPrintable(heard(status)));
    QCOMPARE(toldAfter, (QList<int>{0, 1, 2}));
    QCOMPARE(announced.last().first().toString(), status->text());
}

void tst_MainWindow::numbersAreNeverCut_data()
{
    QTest::addColumn<QString>("fields");
    QTest::newRow("prices past a lakh") << QStringLiteral(
        "130000.05,130000.10,130000.15,(+1.00%),UP,130000.20,130000.25,1000,130000.30,130000.35");
    QTest::newRow("a thirteen-digit volume") << QStringLiteral("1,2,3,(+1%),UP,4,5,1234567890123,6,7");
    QTest::newRow("the largest prices") << QStringLiteral(
        "-99999999.99,99999999.99,88888888.88,(+1%),UP,4,5,-999999999999999,6,7");
}

void tst_MainWindow::numbersAreNeverCut()
{
    QFETCH(QString, fields);
    auto window = startShown("A\r\nB\r\n");
    m_quotes.fields = fields;
    TestHelpers::refreshTick(window.get());
    SpreadGrid *view = window->quoteGrid();
    QAbstractItemView *cells = view; // its full-text widths, as the cells' painter measures them
    const auto checkWhole = [&](const char *when) {
        for (int col = Col::Bid; col <= Col::Volume; ++col) {
            if (col == Col::Trend)
                continue;
            QVERIFY2(view->columnWidth(col - 1) >= cells->sizeHintForColumn(col - 1),
                     qPrintable(QStringLiteral("%1: column %2 is %3 px for \"%4\", which needs %5")
                                    .arg(QLatin1String(when))
                                    .arg(col)
                                    .arg(view->columnWidth(col - 1))
                                    .arg(gridOf(*window)->text(1, col))
                                    .arg(cells->sizeHintForColumn(col - 1))));
        }
    };
    checkWhole("painted");
    view->horizontalHeader()->resizeSection(Col::Volume - 1, 10); // the user narrows a column
    view->horizontalHeader()->resizeSection(Col::Ltp - 1, 10);
    checkWhole("narrowed");
}

// A chart's line as the row's tooltip draws it.
static QList<int> chartLine(frmTickerloom &window, int row)
{
    const QString tip = gridOf(window)->data(gridOf(window)->index(row - 1, 0), Qt::ToolTipRole).toString();
    return TestHelpers::lineHeights(TestHelpers::chartInToolTip(tip));
}

// Whether the line only rises (or only falls), left to right.
static bool onlyRises(const QList<int> &line, bool rises)
{
    QList<int> drawn = line;
    drawn.removeAll(-1);
    return drawn.size() > 1 && TestHelpers::turnsOf(drawn) == 0 && (drawn.first() > drawn.last()) == rises;
}

void tst_MainWindow::chartsStayWithTheirRowsAcrossDeletes()
{
    m_quotes.prices = {{"A", 10}, {"B", 30}, {"C", 20}, {"D", 40}};
    auto window = startShown("A\r\nB\r\nC\r\nD\r\n");
    // D falls, the others rise, each refresh.
    for (int step = 1; step <= 3; ++step) {
        m_quotes.prices = {{"A", 10 + step}, {"B", 30 + step}, {"C", 20 + step}, {"D", 40 - step}};
        TestHelpers::refreshTick(window.get());
    }
    for (int row : {3, 2}) { // C's row, then B's
        window->onGridRightClick(1, row, QPoint());
        window->OnDeleteScrip();
    }
    QCOMPARE(window->watchListText(), QStringLiteral(",A,,D,"));
    m_quotes.prices = {{"A", 14}, {"D", 36}};
    TestHelpers::refreshTick(window.get());
    QVERIFY(onlyRises(chartLine(*window, 1), true));
    QVERIFY(onlyRises(chartLine(*window, 2), false)); // D's own line, not B's or C's

    // A scrip added again starts a chart of its own.
    m_quotes.silent = true;
    QVERIFY(window->addScrip(QStringLiteral("C")));
    const QString tip = gridOf(*window)->data(gridOf(*window)->index(2, 0), Qt::ToolTipRole).toString();
    QVERIFY2(tip.contains(QStringLiteral("No quote has arrived yet")), qPrintable(tip));
}

void tst_MainWindow::anEmptyListNeverSaysTheServiceDoesNotAnswer_data()
{
    QTest::addColumn<QByteArray>("fileBytes");
    QTest::addColumn<int>("deletes");
    QTest::addColumn<bool>("silent");
    QTest::newRow("all-blank file, silent service") << QByteArray("\r\n  \r\n") << 0 << true;
    QTest::newRow("all-blank file, empty answer") << QByteArray("\r\n  \r\n") << 0 << false;
    QTest::newRow("after the last delete, silent service") << QByteArray("A\r\nB\r\n") << 2 << true;
    QTest::newRow("after the last delete, empty answer") << QByteArray("A\r\nB\r\n") << 2 << false;
}

// An empty list asks for nothing, so no answer tells nothing about the service.
void tst_MainWindow::anEmptyListNeverSaysTheServiceDoesNotAnswer()
{
    QFETCH(QByteArray, fileBytes);
    QFETCH(int, deletes);
    QFETCH(bool, silent);
    QTime clock(10, 0, 0);
    m_quotes.silent = silent;
    auto window = startShown(fileBytes, &clock);
    auto *status = window->findChild<QLabel *>(QStringLiteral("lblStatus"));
    if (deletes == 0) // the start-up refresh of the empty list
        QVERIFY2(!status->text().contains(QStringLiteral("No answer")), qPrintable(status->text()));
    for (int i = 0; i < deletes; ++i) {
        window->onGridRightClick(1, 1, QPoint());
        window->OnDeleteScrip();
    }
    QCOMPARE(window->watchListText(), QString());
    const qsizetype asked = m_quotes.urls.size();
    TestHelpers::refreshTick(window.get());
    QCOMPARE(m_quotes.urls.size(), asked + 1);
    QVERIFY2(!status->text().contains(QStringLiteral("No answer")), qPrintable(status->text()));
}

void tst_MainWindow::addingToAListTurnsTheTimerOffWhileTheNewRowWaits()
{
    const QByteArray two("A\r\nB\r\n");
    auto window = start(&two);
    SwitchTimer *timer = timerOf(*window);
    QVERIFY(timer->isEnabled());
    m_quotes.holdOpen = true;
    int onWhileWaiting = -1; // the timer's state while the fetch waited: 1 on, 0 off
    m_quotes.duringFetch = [&] {
        onWhileWaiting = timer->isEnabled() ? 1 : 0;
        m_quotes.release();
    };
    QVERIFY(window->addScrip(QStringLiteral("NEW")));
    QCOMPARE(onWhileWaiting, 0); // no tick refreshes over the new row's first fetch
    QVERIFY(m_quotes.urls.last().endsWith(QStringLiteral("?scr=NEW&tl=1&ft=1")));
    QVERIFY(timer->isEnabled());
}

QTEST_MAIN(tst_MainWindow)
#include "tst_mainwindow.moc"
