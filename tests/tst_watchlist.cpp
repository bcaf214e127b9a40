#include "support/TestHelpers.h"
#include "watch/GridModel.h"
#include "watch/ListFileWatch.h"
#include "watch/ListPreread.h"
#include "watch/ListReload.h"
#include "watch/QuoteGridColumns.h"
#include "watch/ScripsFile.h"
#include "watch/SwitchTimer.h"
#include "watch/WatchList.h"
#include "watch/WatchListKeeper.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <memory>
#include <sys/stat.h>

using Col = QuoteGridColumns::Column;

// The list and its keeper, driven without a window: the grid is a bare
// model, and the refreshes are the test's own, which may act while they
// "wait" as the user can.
class tst_WatchList : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void stringFileAndGridAreReadFromTheEntries();
    void deleteRemovesOnlyTheRowsOwnOccurrence();
    void symbolsDifferOnlyWhenTheirUpperCasesDo_data();
    void symbolsDifferOnlyWhenTheirUpperCasesDo();
    void loadsLinuxLineEndsAndDropsAByteOrderMark();
    void anUnreadableListIsNeverReplaced_data();
    void anUnreadableListIsNeverReplaced();
    void aReadOnlyListStaysReadOnly();
    void firstSaveMakesTheDataFolder();
    void startUpRemovesWhatAnInterruptedSaveLeft();
    void sameRowChosenTwiceDuringARefreshDeletesItOnce();
    void timerStaysOffWhileAnAddsFirstFetchWaits();
    void reloadKeepsTheRowsThatCanStay_data();
    void reloadKeepsTheRowsThatCanStay();
    void aListChangedByAnotherHandIsShownAndKeptByTheNextAdd_data();
    void aListChangedByAnotherHandIsShownAndKeptByTheNextAdd();
    void ownSavesAreNotChangesByAnotherHand();
    void aListThatBecomesUnreadableStaysInTheWindow_data();
    void aListThatBecomesUnreadableStaysInTheWindow();
    void gridAndListAgreeRowByRow_data();
    void gridAndListAgreeRowByRow();

private:
    QString path() const { return m_dir->filePath(QStringLiteral("Scrips.dat")); }
    void start(const QString &scripsPath);
    QStringList gridSymbols() const;
    void act(const QString &step);
    void checkGridAndListAgree();

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<GridModel> m_grid;
    std::unique_ptr<WatchListKeeper> m_keeper;
    std::function<void()> m_duringRefresh; // runs while a refresh "waits"
    QStringList m_refreshed;
};

void tst_WatchList::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_grid = std::make_unique<GridModel>(QuoteGridColumns::specs());
    m_duringRefresh = {};
    m_refreshed.clear();
}

void tst_WatchList::cleanup()
{
    m_keeper.reset();
    m_grid.reset();
    m_dir.reset();
}

// Loads the list of the path, or of the keeper made already for an empty path.
void tst_WatchList::start(const QString &scripsPath)
{
    if (!scripsPath.isEmpty())
        m_keeper = std::make_unique<WatchListKeeper>(scripsPath, m_grid.get(), Col::Symbol);
    const auto during = [this] {
        if (auto action = std::exchange(m_duringRefresh, {}))
            action();
    };
    m_keeper->setRefreshes({
        [this, during](const QString &list, bool first) {
            m_refreshed.append(list + (first ? QStringLiteral(" first") : QString()));
            during();
        },
        [this, during](int row, bool) {
            m_refreshed.append(m_grid->text(row, Col::Symbol) + QStringLiteral(" alone"));
            during();
        },
        [this](const QString &list, bool distinct) {
            m_refreshed.append(list + (distinct ? QStringLiteral(" upcoming, distinct") : QStringLiteral(" upcoming")));
        },
    });
    m_keeper->load();
}

QStringList tst_WatchList::gridSymbols() const
{
    QStringList symbols;
    for (int row = 1; row <= m_grid->rowCount(); ++row)
        symbols.append(m_grid->text(row, Col::Symbol));
    return symbols;
}

void tst_WatchList::stringFileAndGridAreReadFromTheEntries()
{
    TestHelpers::writeFile(path(), "A\r\nB\r\n\r\n");
    start(path());
    QCOMPARE(m_refreshed, QStringList{",A,,B, first"});
    QCOMPARE(gridSymbols(), (QStringList{"A", "B", ""})); // the spare row below the last scrip
    QVERIFY(m_keeper->timer()->isEnabled());

    QCOMPARE(m_keeper->add(QStringLiteral("C")), WatchListKeeper::Added::Added);
    QCOMPARE(m_keeper->add(QStringLiteral("B")), WatchListKeeper::Added::AlreadyListed);
    QCOMPARE(m_keeper->add(QString()), WatchListKeeper::Added::Nothing);
    m_keeper->chooseDelete(1);
    QCOMPARE(m_keeper->list().text(), QStringLiteral(",B,,C,"));
    QCOMPARE(gridSymbols(), (QStringList{"B", "C", ""}));
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("B\r\nC\r\n\r\n"));
    m_keeper->chooseDelete(3); // the spare row holds nothing to delete
    QCOMPARE(m_keeper->list().size(), 2);
}

void tst_WatchList::symbolsDifferOnlyWhenTheirUpperCasesDo_data()
{
    QTest::addColumn<QStringList>("symbols");
    QTest::addColumn<bool>("differ");
    QTest::newRow("none") << QStringList() << true;
    QTest::newRow("distinct") << QStringList{"A", "B", "AB", "A,B"} << true;
    QTest::newRow("the same twice") << QStringList{"A", "B", "A"} << false;
    QTest::newRow("ASCII cases") << QStringList{"infy", "X", "INFY"} << false;
    QTest::newRow("Latin-1 cases") << QStringList{"\u00e9", "\u00c9"} << false;
    QTest::newRow("sharp s") << QStringList{"STRASSE", "stra\u00dfe"} << false;
    QTest::newRow("dotless i") << QStringList{"I", "\u0131"} << false;
    QTest::newRow("long") << QStringList{QString(70, u'a') + u'1', QString(70, u'A') + u'1'} << false;
}

// A list known to differ is read without the check that the first of equal
// lines wins: claiming it wrongly would give a row another row's line.
void tst_WatchList::symbolsDifferOnlyWhenTheirUpperCasesDo()
{
    QFETCH(QStringList, symbols);
    QFETCH(bool, differ);
    QCOMPARE(WatchList::differOnceUpperCased(symbols), differ);
    if (!std::all_of(symbols.begin(), symbols.end(),
                     [](const QString &s) { return QString::fromLatin1(s.toLatin1()) == s; }))
        return; // a list file holds Latin-1 text only

    // A list read early tells its first refresh ahead, padded to be read on a thread.
    for (int i = 0; i < ListPreread::kLeastBytes / 8; ++i)
        symbols.append(QStringLiteral("PAD%1").arg(i));
    TestHelpers::writeFile(path(), ScripsFile::serialize(symbols));
    m_keeper = std::make_unique<WatchListKeeper>(path(), m_grid.get(), Col::Symbol);
    m_keeper->setEarlyRead(std::make_unique<ListPreread>(path()));
    start(QString()); // the keeper made above
    const QString list = u',' + symbols.join(QStringLiteral(",,")) + u',';
    QCOMPARE(m_refreshed, QStringList({list + (differ ? " upcoming, distinct" : " upcoming"), list + " first"}));
}

void tst_WatchList::deleteRemovesOnlyTheRowsOwnOccurrence()
{
    WatchList list;
    const quint64 first = 1;
    const quint64 second = 3;
    list.append(QStringLiteral("ABC"), first);
    list.append(QStringLiteral("X"), 2);
    list.append(QStringLiteral("ABC"), second);
    list.append(QStringLiteral("A,B"), 4);
    QCOMPARE(list.text(), QStringLiteral(",ABC,,X,,ABC,,A,B,"));
    QVERIFY(list.contains("B")); // a comma inside a symbol reads as two symbols

    QVERIFY(list.remove(second)); // the second ABC row: the first keeps refreshing
    QCOMPARE(list.text(), QStringLiteral(",ABC,,X,,A,B,"));
    QVERIFY(list.contains("ABC"));
    QVERIFY(!list.remove(second)); // gone already: nothing else goes
    QCOMPARE(list.indexOf(first), 0);
    QCOMPARE(list.size(), 3);
}

void tst_WatchList::loadsLinuxLineEndsAndDropsAByteOrderMark()
{
    TestHelpers::writeFile(path(), "\xEF\xBB\xBFINFY\nTCS\n\nWIPRO");
    start(path());
    QCOMPARE(gridSymbols(), (QStringList{"INFY", "TCS", "WIPRO", ""}));
    m_keeper->add(QStringLiteral("SBIN"));
    // Written back the program's way: CR LF, no mark.
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("INFY\r\nTCS\r\nWIPRO\r\nSBIN\r\n\r\n"));
}

void tst_WatchList::anUnreadableListIsNeverReplaced_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a folder") << "folder";
    QTest::newRow("a pipe") << "fifo";
    QTest::newRow("a link to /dev/zero") << "zero";
    QTest::newRow("more scrips than a list holds") << "long";
}

void tst_WatchList::anUnreadableListIsNeverReplaced()
{
    QFETCH(QString, kind);
    QByteArray tooMany;
    if (kind == u"folder")
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Scrips.dat")));
    else if (kind == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
    else if (kind == u"zero")
        QVERIFY(QFile::link(QStringLiteral("/dev/zero"), path()));
    for (int i = 0; kind == u"long" && i <= WatchList::kMaxScrips; ++i)
        tooMany += "S" + QByteArray::number(i) + "\r\n";
    if (kind == u"long")
        TestHelpers::writeFile(path(), tooMany);

    WatchListKeeper keeper(path(), m_grid.get(), Col::Symbol);
    QSignalSpy loadFailed(&keeper, &WatchListKeeper::loadFailed);
    QSignalSpy saveFailed(&keeper, &WatchListKeeper::saveFailed);
    keeper.load(); // returns at once, whatever the file is
    QCOMPARE(loadFailed.size(), 1);
    QVERIFY(loadFailed[0][0].toString().contains(path()));
    QCOMPARE(keeper.list().size(), 0);
    QCOMPARE(m_grid->rowCount(), 1);

    QCOMPARE(keeper.add(QStringLiteral("ABC")), WatchListKeeper::Added::Added);
    QCOMPARE(saveFailed.size(), 1); // every change says why it is not saved
    QVERIFY(saveFailed[0][0].toString().contains(QStringLiteral("could not be read")));
    if (kind == u"long")
        QCOMPARE(TestHelpers::readFile(path()), tooMany);
    else if (kind == u"zero")
        QCOMPARE(QFile::symLinkTarget(path()), QStringLiteral("/dev/zero"));
    else
        QVERIFY(!QFileInfo(path()).isFile());
}

void tst_WatchList::aReadOnlyListStaysReadOnly()
{
    TestHelpers::writeFile(path(), "A\r\n\r\n");
    QVERIFY(QFile::setPermissions(path(), QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther));
    start(path());
    QSignalSpy saveFailed(m_keeper.get(), &WatchListKeeper::saveFailed);
    m_keeper->add(QStringLiteral("B"));
    QCOMPARE(saveFailed.size(), 1);
    QVERIFY(saveFailed[0][0].toString().contains(QStringLiteral("read-only")));
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("A\r\n\r\n"));
    QCOMPARE(QFile::permissions(path()) & (QFile::WriteOwner | QFile::WriteGroup | QFile::WriteOther), 0);
}

void tst_WatchList::firstSaveMakesTheDataFolder()
{
    const QString deep = m_dir->filePath(QStringLiteral("share/Tickerloom/Scrips.dat"));
    start(deep);
    QVERIFY(m_refreshed.isEmpty()); // no file yet: no first refresh
    QVERIFY(!QFileInfo::exists(QFileInfo(deep).absolutePath()));
    m_keeper->add(QStringLiteral("A"));
    QCOMPARE(TestHelpers::readFile(deep), QByteArray("A\r\n\r\n"));
}

void tst_WatchList::startUpRemovesWhatAnInterruptedSaveLeft()
{
    // Beside the list, and beside the file a linked list leads to, where saves write.
    const QString elsewhere = m_dir->filePath(QStringLiteral("elsewhere"));
    QVERIFY(QDir().mkpath(elsewhere));
    TestHelpers::writeFile(elsewhere + QStringLiteral("/Scrips.dat"), "A\r\n\r\n");
    QVERIFY(QFile::link(elsewhere + QStringLiteral("/Scrips.dat"), path()));
    const QString leftover = elsewhere + QStringLiteral("/Scrips.dat.tickerloom-a1B2c3");
    TestHelpers::writeFile(leftover, "half a list");
    const QString notOurs = elsewhere + QStringLiteral("/Scrips.dat.tickerloom-notours");
    TestHelpers::writeFile(notOurs, "kept");
    start(path());
    QVERIFY(!QFileInfo::exists(leftover));
    QVERIFY(QFileInfo::exists(notOurs));
    QCOMPARE(gridSymbols(), (QStringList{"A", ""}));
}

void tst_WatchList::sameRowChosenTwiceDuringARefreshDeletesItOnce()
{
    TestHelpers::writeFile(path(), "A\r\nB\r\nC\r\n");
    start(path());
    m_duringRefresh = [this] {
        m_keeper->chooseDelete(2);
        m_keeper->chooseDelete(2);
        QCOMPARE(m_keeper->list().size(), 3); // waits for the refresh
    };
    m_keeper->refreshTick();
    QCOMPARE(gridSymbols(), (QStringList{"A", "C", ""}));
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("A\r\nC\r\n\r\n"));
    QVERIFY(m_keeper->timer()->isEnabled());
}

void tst_WatchList::timerStaysOffWhileAnAddsFirstFetchWaits()
{
    start(path());
    bool timerWasOn = true;
    m_duringRefresh = [&] { timerWasOn = m_keeper->timer()->isEnabled(); };
    m_keeper->add(QStringLiteral("A"));
    QCOMPARE(m_refreshed, QStringList{"A alone"});
    QVERIFY(!timerWasOn);
    QVERIFY(m_keeper->timer()->isEnabled());
}

void tst_WatchList::reloadKeepsTheRowsThatCanStay_data()
{
    QTest::addColumn<QString>("change"); // the rows shown > the file's list
    QTest::addColumn<qint64>("maxMoves");
    QTest::addColumn<QString>("kept"); // per shown row: 1 kept, 0 removed
    QTest::addColumn<int>("appendFrom");
    const qint64 any = 1'000'000;
    QTest::newRow("one appended") << "A B > A B C" << any << "11" << 2;
    QTest::newRow("one removed amid") << "A B C > A C" << any << "101" << 2;
    QTest::newRow("one inserted amid") << "A B C > A X B C" << any << "100" << 1;
    QTest::newRow("one inserted on top") << "A B > X A B" << any << "00" << 0;
    QTest::newRow("moved to the top") << "A B C > C A B" << any << "001" << 1;
    QTest::newRow("a duplicate kept once") << "A A > A" << any << "10" << 1;
    QTest::newRow("removals within the bound") << "A B C D > A D" << qint64(2) << "1001" << 2;
    QTest::newRow("past the bound made anew") << "A B C D E > A C E" << qint64(2) << "10000" << 1;
}

void tst_WatchList::reloadKeepsTheRowsThatCanStay()
{
    QFETCH(QString, change);
    QFETCH(qint64, maxMoves);
    QFETCH(QString, kept);
    QFETCH(int, appendFrom);
    const QStringList sides = change.split(u'>');
    const ListReload::Plan plan =
        ListReload::plan(sides[0].split(u' ', Qt::SkipEmptyParts), sides[1].split(u' ', Qt::SkipEmptyParts), maxMoves);
    QString keep;
    for (bool row : plan.keep)
        keep += row ? u'1' : u'0';
    QCOMPARE(keep, kept);
    QCOMPARE(plan.appendFrom, appendFrom);
}

void tst_WatchList::aListChangedByAnotherHandIsShownAndKeptByTheNextAdd_data()
{
    QTest::addColumn<QByteArray>("edited");
    QTest::addColumn<bool>("renamedOver"); // as sync tools and careful editors save
    QTest::addColumn<bool>("addAtOnce");   // before the change's notice is handled
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<int>("rowsKept"); // of A, B, C from the top, with their identities
    const QByteArray typed("A\r\nB\r\nC\r\nD\r\n");
    const QStringList withD{"A", "B", "C", "D"};
    QTest::newRow("a line typed at the end") << typed << false << false << withD << 3;
    QTest::newRow("a line typed just before an add") << typed << false << true << withD << 3;
    QTest::newRow("a line removed, saved by a rename")
        << QByteArray("A\nC\n") << true << false << QStringList{"A", "C"} << 1;
    QTest::newRow("a line on top") << QByteArray("X\r\nA\r\nB\r\nC\r\n") << true << false
                                   << QStringList{"X", "A", "B", "C"} << 0;
    QTest::newRow("emptied") << QByteArray() << false << false << QStringList{} << 0;
}

void tst_WatchList::aListChangedByAnotherHandIsShownAndKeptByTheNextAdd()
{
    QFETCH(QByteArray, edited);
    QFETCH(bool, renamedOver);
    QFETCH(bool, addAtOnce);
    QFETCH(QStringList, shown);
    QFETCH(int, rowsKept);
    TestHelpers::writeFile(path(), "A\r\nB\r\nC\r\n");
    start(path());
    const quint64 firstRow = m_grid->rowId(1);
    const QString elsewhere = m_dir->filePath(QStringLiteral("synced"));
    TestHelpers::writeFile(renamedOver ? elsewhere : path(), edited);
    if (renamedOver)
        QCOMPARE(::rename(QFile::encodeName(elsewhere).constData(), QFile::encodeName(path()).constData()), 0);

    if (!addAtOnce) {
        QTRY_COMPARE(gridSymbols(), shown + QStringList{QString()});
        QCOMPARE(m_keeper->list().size(), shown.size());
    }
    QCOMPARE(m_grid->rowId(1) == firstRow, rowsKept > 0);
    QCOMPARE(m_keeper->add(QStringLiteral("NEW")), WatchListKeeper::Added::Added);
    const QStringList afterAdd = shown + QStringList{"NEW", ""}; // and the spare row
    QCOMPARE(gridSymbols(), afterAdd);
    QCOMPARE(TestHelpers::readFile(path()), afterAdd.join(QStringLiteral("\r\n")).toLatin1() + "\r\n");
}

void tst_WatchList::ownSavesAreNotChangesByAnotherHand()
{
    TestHelpers::writeFile(path(), "A\r\nB\r\n");
    start(path());
    QSignalSpy removed(m_grid.get(), &GridModel::rowsRemoved);
    QSignalSpy reset(m_grid.get(), &GridModel::modelReset);
    m_keeper->add(QStringLiteral("C"));
    m_keeper->chooseDelete(1);
    removed.clear(); // the delete's own
    QTest::qWait(3 * ListFileWatch::kSettleMs);
    QCOMPARE(removed.size(), 0);
    QCOMPARE(reset.size(), 0);
    QCOMPARE(gridSymbols(), (QStringList{"B", "C", ""}));
}

void tst_WatchList::aListThatBecomesUnreadableStaysInTheWindow_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("a folder") << "folder";
    QTest::newRow("a pipe") << "fifo";
    QTest::newRow("more scrips than a list holds") << "long";
}

void tst_WatchList::aListThatBecomesUnreadableStaysInTheWindow()
{
    QFETCH(QString, kind);
    TestHelpers::writeFile(path(), "A\r\nB\r\n");
    start(path());
    QSignalSpy loadFailed(m_keeper.get(), &WatchListKeeper::loadFailed);
    QSignalSpy saveFailed(m_keeper.get(), &WatchListKeeper::saveFailed);
    QVERIFY(QFile::remove(path()));
    QByteArray tooMany;
    for (int i = 0; kind == u"long" && i <= WatchList::kMaxScrips; ++i)
        tooMany += "S" + QByteArray::number(i) + "\r\n";
    if (kind == u"folder")
        QVERIFY(QDir(m_dir->path()).mkdir(QStringLiteral("Scrips.dat")));
    else if (kind == u"fifo")
        QCOMPARE(::mkfifo(QFile::encodeName(path()).constData(), 0600), 0);
    else
        TestHelpers::writeFile(path(), tooMany);

    QTRY_COMPARE(loadFailed.size(), 1);
    QVERIFY(loadFailed[0][0].toString().contains(path()));
    QCOMPARE(gridSymbols(), (QStringList{"A", "B", ""}));
    QCOMPARE(m_keeper->add(QStringLiteral("C")), WatchListKeeper::Added::Added);
    QCOMPARE(saveFailed.size(), 1); // each change says why it is not saved
    QVERIFY(saveFailed[0][0].toString().contains(QStringLiteral("could not be read")));
    QCOMPARE(QFileInfo(path()).isFile(), kind == u"long");

    // Readable again, edited meanwhile: its list, and the scrip the window could not save.
    if (kind == u"folder")
        QVERIFY(QDir(m_dir->path()).rmdir(QStringLiteral("Scrips.dat")));
    else
        QVERIFY(QFile::remove(path()));
    TestHelpers::writeFile(path(), "A\r\nX\r\n");
    QTRY_COMPARE(gridSymbols(), (QStringList{"A", "X", "C", ""}));
    QCOMPARE(TestHelpers::readFile(path()), QByteArray("A\r\nX\r\nC\r\n\r\n"));
    QCOMPARE(loadFailed.size(), 1); // said once
}

void tst_WatchList::gridAndListAgreeRowByRow_data()
{
    // Steps: +S adds S, -N deletes row N, =A,B has the file hold A and B
    // (written by another hand), t refreshes; t:X;Y does X and Y while the refresh waits.
    QTest::addColumn<QString>("steps");
    QTest::addColumn<QStringList>("finally");
    QTest::newRow("adds and deletes") << "+A +B +C -2 +D -1" << QStringList{"C", "D"};
    QTest::newRow("a reload between") << "+A +B =A,X,B +C -3" << QStringList{"A", "X", "C"};
    QTest::newRow("deletes chosen in a refresh, then a reload") << "+A +B +C t:-1;-3 =B,D" << QStringList{"B", "D"};
    QTest::newRow("a reload in a refresh drops a delete's row")
        << "+A +B +C t:-2;=A,C,E +F" << QStringList{"A", "C", "E", "F"};
    QTest::newRow("an add and a delete in a refresh") << "+A +B t:+C;-1 t -1" << QStringList{"C"};
    QTest::newRow("emptied by another hand") << "+A +B = +C t" << QStringList{"C"};
    QTest::newRow("typed into a new file") << "=A,B" << QStringList{"A", "B"};
}

void tst_WatchList::gridAndListAgreeRowByRow()
{
    QFETCH(QString, steps);
    QFETCH(QStringList, finally);
    start(path());
    for (const QString &step : steps.split(u' ')) {
        if (step.startsWith(u"t:")) {
            const QStringList during = step.mid(2).split(u';');
            m_duringRefresh = [this, during] {
                for (const QString &inner : during)
                    act(inner);
            };
            m_keeper->refreshTick();
        } else {
            act(step);
        }
        checkGridAndListAgree();
        if (QTest::currentTestFailed())
            QFAIL(qPrintable(QStringLiteral("after ") + step));
    }
    QCOMPARE(gridSymbols(), finally + QStringList{QString()});
    QVERIFY(m_keeper->timer()->isEnabled()); // refreshing the list, however it came
}

void tst_WatchList::act(const QString &step)
{
    const QString operand = step.mid(1);
    if (step.startsWith(u'+')) {
        m_keeper->add(operand);
    } else if (step.startsWith(u'-')) {
        m_keeper->chooseDelete(operand.toInt());
    } else if (step.startsWith(u'=')) {
        const QStringList scrips = operand.split(u',', Qt::SkipEmptyParts);
        TestHelpers::writeFile(path(), scrips.join(QStringLiteral("\r\n")).toLatin1());
        const QString text = scrips.isEmpty() ? QString() : u',' + scrips.join(QStringLiteral(",,")) + u',';
        QTRY_COMPARE(m_keeper->list().text(), text);
    } else if (step == u"t") {
        m_keeper->refreshTick();
    }
}

// Row by row: the same symbol under the same identity, the spare row below
// the last, and the file holding the list.
void tst_WatchList::checkGridAndListAgree()
{
    const std::vector<WatchList::Entry> &entries = m_keeper->list().entries();
    QCOMPARE(m_grid->rowCount(), int(entries.size()) + 1);
    QStringList saved;
    for (int row = 1; row <= int(entries.size()); ++row) {
        QCOMPARE(m_grid->text(row, Col::Symbol), entries[size_t(row - 1)].symbol);
        QCOMPARE(m_grid->rowId(row), entries[size_t(row - 1)].id);
        saved.append(entries[size_t(row - 1)].symbol);
    }
    QCOMPARE(m_grid->text(m_grid->rowCount(), Col::Symbol), QString());
    if (!m_keeper->list().text().isEmpty() || QFileInfo::exists(path()))
        QCOMPARE(ScripsFile::load(path()).scrips, saved);
}

QTEST_GUILESS_MAIN(tst_WatchList)
#include "tst_watchlist.moc"
