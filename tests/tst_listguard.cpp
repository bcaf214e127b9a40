// One running program per list file: the lock beside the list, the local
// socket that reaches the running copy, and the locks that crashed copies
// leave behind. Other copies are played by a second guard in this process or
// by a child process that holds the lock the way the program does.
#include "watch/ListGuard.h"
#include "watch/RuntimeFolder.h"

#include "support/TestHelpers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSignalSpy>
#include <QSysInfo>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The lock the guard takes: beside the list the path leads to.
QString lockPathOf(const QString &list)
{
    return QFileInfo(list).canonicalFilePath() + QStringLiteral(".lock");
}

// Another copy of the program in a process of its own: it takes the list's
// lock the way the program does and holds it until it dies, by SIGKILL or by
// _exit(), neither of which unlocks.
class OtherCopy
{
public:
    explicit OtherCopy(const QString &lockPath)
    {
        int status[2];
        if (::pipe(status) != 0 || ::pipe(m_orders) != 0)
            return;
        const QString path = lockPath; // copied before the fork: the child allocates nothing more
        m_pid = ::fork();
        if (m_pid == 0)
            holdUntilOrdered(path, status[1]);
        ::close(status[1]);
        ::close(m_orders[0]);
        char locked = 'n';
        m_locked = ::read(status[0], &locked, 1) == 1 && locked == 'y';
        ::close(status[0]);
    }
    ~OtherCopy() { kill(); }

    bool holdsTheLock() const { return m_locked; }

    // Dies at once, and is gone (reaped) when this returns.
    void kill() { end(SIGKILL); }
    // Ends by itself without unlocking, as a crash would.
    void exitWithoutUnlocking() { end(0); }

private:
    [[noreturn]] void holdUntilOrdered(const QString &path, int statusEnd)
    {
        ::close(m_orders[1]);
        QLockFile lock(path);
        const char locked = lock.tryLock(0) ? 'y' : 'n';
        (void)!::write(statusEnd, &locked, 1);
        char order = 0;
        (void)!::read(m_orders[0], &order, 1);
        ::_exit(0); // the lock file stays behind
    }

    void end(int signal)
    {
        if (m_pid <= 0)
            return;
        if (signal)
            ::kill(m_pid, signal);
        else
            (void)!::write(m_orders[1], "x", 1);
        ::close(m_orders[1]);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

    pid_t m_pid = -1;
    bool m_locked = false;
    int m_orders[2] = {-1, -1};
};

void makeFile(const QString &path)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
}

} // namespace

class tst_ListGuard : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void aSecondCopyOnTheListCannotTakeIt();
    void aSecondCopyBringsTheRunningOneToTheFront();
    void askingWithNoCopyRunningEndsAtTheDeadline();
    void theListIsFreeOnceItsCopyEnds();
    void aLockLeftByACopyThatDiedIsTakenOver_data();
    void aLockLeftByACopyThatDiedIsTakenOver();
    void aLiveCopysLockHoldsHowOldSoever();
    void twoListsDoNotBlockEachOther();
    void aListThroughALinkedFolderIsTheSameList();
    void aLinkedListFileIsTheSameListAsItsTarget();
    void aListWhoseFolderIsNotMadeYetIsNamedAsLaterStartsNameIt();
    void theSocketIsInAFolderOnlyTheUserEnters_data();
    void theSocketIsInAFolderOnlyTheUserEnters();
    void aRunningCopyIsFoundWhenItsLockWasRemoved();
    void theRunningCopyMakesItsLockAgain_data();
    void theRunningCopyMakesItsLockAgain();
    void aLockNoRunningProgramHoldsIsTakenOver_data();
    void aLockNoRunningProgramHoldsIsTakenOver();

private:
    QString path(const QString &name = QStringLiteral("Scrips.dat")) const { return m_dir->filePath(name); }

    std::unique_ptr<QTemporaryDir> m_dir;
};

void tst_ListGuard::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void tst_ListGuard::cleanup()
{
    m_dir.reset();
}

void tst_ListGuard::aSecondCopyOnTheListCannotTakeIt()
{
    makeFile(path());
    ListGuard first(path());
    QVERIFY(first.acquire());
    ListGuard second(path());
    QVERIFY(!second.acquire());
    QVERIFY(QFile::exists(lockPathOf(path())));
}

void tst_ListGuard::aSecondCopyBringsTheRunningOneToTheFront()
{
    ListGuard first(path());
    QVERIFY(first.acquire());
    QSignalSpy shown(&first, &ListGuard::showRequested);
    ListGuard second(path());
    QVERIFY(!second.acquire());
    QVERIFY(second.askRunningCopyToShow());
    QTRY_COMPARE(shown.size(), 1);
    QTest::qWait(50);
    QCOMPARE(shown.size(), 1); // once for one ask
}

void tst_ListGuard::askingWithNoCopyRunningEndsAtTheDeadline()
{
    ListGuard lone(path());
    QElapsedTimer took;
    took.start();
    QVERIFY(!lone.askRunningCopyToShow(300));
    QVERIFY2(took.elapsed() < 3000, qPrintable(QString::number(took.elapsed())));
}

void tst_ListGuard::theListIsFreeOnceItsCopyEnds()
{
    {
        ListGuard first(path());
        QVERIFY(first.acquire());
    }
    ListGuard next(path());
    QVERIFY(next.acquire());
}

void tst_ListGuard::aLockLeftByACopyThatDiedIsTakenOver_data()
{
    QTest::addColumn<bool>("killed");
    QTest::newRow("killed") << true;
    QTest::newRow("ended without unlocking") << false;
}

void tst_ListGuard::aLockLeftByACopyThatDiedIsTakenOver()
{
    QFETCH(bool, killed);
    makeFile(path());
    OtherCopy crashed(lockPathOf(path()));
    QVERIFY(crashed.holdsTheLock());
    {
        ListGuard whileItRuns(path());
        QVERIFY(!whileItRuns.acquire());
    }
    if (killed)
        crashed.kill();
    else
        crashed.exitWithoutUnlocking();
    QVERIFY(QFile::exists(lockPathOf(path()))); // left behind
    ListGuard next(path());
    QVERIFY(next.acquire());
    QSignalSpy shown(&next, &ListGuard::showRequested);
    QVERIFY(ListGuard(path()).askRunningCopyToShow()); // the new holder answers on the list's socket
    QTRY_COMPARE(shown.size(), 1);
}

void tst_ListGuard::aLiveCopysLockHoldsHowOldSoever()
{
    makeFile(path());
    OtherCopy running(lockPathOf(path()));
    QVERIFY(running.holdsTheLock());
    // A program left running for days: its lock was written long ago.
    const timeval longAgo[2] = {{1'000'000, 0}, {1'000'000, 0}};
    QCOMPARE(::utimes(QFile::encodeName(lockPathOf(path())).constData(), longAgo), 0);
    ListGuard second(path());
    QVERIFY(!second.acquire());
}

void tst_ListGuard::twoListsDoNotBlockEachOther()
{
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("a")));
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("b")));
    ListGuard a(path(QStringLiteral("a/Scrips.dat")));
    ListGuard b(path(QStringLiteral("b/Scrips.dat")));
    ListGuard other(path(QStringLiteral("a/Other.dat")));
    QVERIFY(a.acquire());
    QVERIFY(b.acquire());
    QVERIFY(other.acquire());
    QSignalSpy aShown(&a, &ListGuard::showRequested);
    QSignalSpy bShown(&b, &ListGuard::showRequested);
    QVERIFY(ListGuard(path(QStringLiteral("b/Scrips.dat"))).askRunningCopyToShow());
    QTRY_COMPARE(bShown.size(), 1);
    QTest::qWait(50);
    QCOMPARE(aShown.size(), 0); // only the copy on that list comes to the front
}

void tst_ListGuard::aListThroughALinkedFolderIsTheSameList()
{
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("real")));
    QVERIFY(QFile::link(path(QStringLiteral("real")), path(QStringLiteral("linked"))));
    ListGuard first(path(QStringLiteral("real/Scrips.dat")));
    QVERIFY(first.acquire());
    QSignalSpy shown(&first, &ListGuard::showRequested);
    for (const QString &sameList : {QStringLiteral("linked/Scrips.dat"), QStringLiteral("linked/../real/Scrips.dat")}) {
        ListGuard second(path(sameList));
        QVERIFY2(!second.acquire(), qPrintable(sameList));
        QVERIFY(second.askRunningCopyToShow());
    }
    QTRY_COMPARE(shown.size(), 2);
}

void tst_ListGuard::aLinkedListFileIsTheSameListAsItsTarget()
{
    // Saves go to the link's target, so two names of one file are one list.
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("shared")));
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("program")));
    makeFile(path(QStringLiteral("shared/Scrips.dat")));
    QVERIFY(QFile::link(path(QStringLiteral("shared/Scrips.dat")), path(QStringLiteral("program/Scrips.dat"))));
    ListGuard first(path(QStringLiteral("shared/Scrips.dat")));
    QVERIFY(first.acquire());
    ListGuard second(path(QStringLiteral("program/Scrips.dat")));
    QVERIFY(!second.acquire());
}

void tst_ListGuard::aListWhoseFolderIsNotMadeYetIsNamedAsLaterStartsNameIt()
{
    // A first start of an installed copy, its data folder behind a linked home.
    QVERIFY(QDir(m_dir->path()).mkpath(QStringLiteral("real")));
    QVERIFY(QFile::link(path(QStringLiteral("real")), path(QStringLiteral("home"))));
    ListGuard first(path(QStringLiteral("home/data/Scrips.dat")));
    QVERIFY(first.acquire());
    ListGuard second(path(QStringLiteral("home/data/Scrips.dat")));
    QVERIFY(!second.acquire());
    QVERIFY(second.askRunningCopyToShow(500));
}

void tst_ListGuard::theSocketIsInAFolderOnlyTheUserEnters_data()
{
    QTest::addColumn<QString>("runtime");   // XDG_RUNTIME_DIR: private, open, relative or unset
    QTest::addColumn<QString>("ownFolder"); // the fallback in the temporary folder: new, open or a link
    QTest::addColumn<QString>("chosen");    // runtime, own or none
    QTest::newRow("the user's runtime folder") << "private"
                                               << "new"
                                               << "runtime";
    QTest::newRow("none set") << "unset"
                              << "new"
                              << "own";
    QTest::newRow("a runtime folder others enter") << "open"
                                                   << "new"
                                                   << "own";
    QTest::newRow("a relative runtime folder") << "relative"
                                               << "new"
                                               << "own";
    QTest::newRow("an own folder others enter") << "unset"
                                                << "open"
                                                << "none";
    QTest::newRow("an own folder that is a link") << "open"
                                                  << "link"
                                                  << "none";
}

void tst_ListGuard::theSocketIsInAFolderOnlyTheUserEnters()
{
    QFETCH(QString, runtime);
    QFETCH(QString, ownFolder);
    QFETCH(QString, chosen);
    const QString runtimePath = path(QStringLiteral("run"));
    QVERIFY(QDir().mkpath(runtimePath));
    QVERIFY(QFile::setPermissions(runtimePath,
                                  runtime == u"open" ? QFile::Permissions(0x7755) : QFile::Permissions(0x7700)));
    const QString temporary = path(QStringLiteral("tmp"));
    QVERIFY(QDir().mkpath(temporary));
    const QString own = temporary + QStringLiteral("/tickerloom-%1").arg(::geteuid());
    if (ownFolder == u"open") {
        QVERIFY(QDir().mkpath(own));
        QVERIFY(QFile::setPermissions(own, QFile::Permissions(0x7777)));
    } else if (ownFolder == u"link") {
        QVERIFY(QFile::link(runtimePath, own));
    }
    const QByteArray given = runtime == u"unset"      ? QByteArray()
                             : runtime == u"relative" ? QByteArray("run")
                                                      : QFile::encodeName(runtimePath);

    const QString folder = RuntimeFolder::choose(given, temporary);
    QCOMPARE(folder, chosen == u"runtime" ? runtimePath : chosen == u"own" ? own : QString());
    if (!folder.isEmpty())
        QCOMPARE(QFileInfo(folder).permissions() & 0x0077, 0); // none but the user

    // The program's own runs use the runtime folder the tests give them.
    QVERIFY(ListGuard::socketName(path()).startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR") + u'/'));
}

void tst_ListGuard::aRunningCopyIsFoundWhenItsLockWasRemoved()
{
    ListGuard first(path());
    QVERIFY(first.acquire());
    QSignalSpy shown(&first, &ListGuard::showRequested);
    QVERIFY(QFile::remove(first.lockPath())); // the user tidied the folder
    ListGuard second(path());
    QVERIFY(!second.acquire());
    QVERIFY(second.askRunningCopyToShow());
    QTRY_COMPARE(shown.size(), 1);
}

void tst_ListGuard::theRunningCopyMakesItsLockAgain_data()
{
    QTest::addColumn<bool>("folderRemoved");
    QTest::newRow("the lock removed") << false;
    QTest::newRow("the folder removed and made again") << true;
}

void tst_ListGuard::theRunningCopyMakesItsLockAgain()
{
    QFETCH(bool, folderRemoved);
    const QString list = path(QStringLiteral("data/Scrips.dat"));
    QVERIFY(QDir().mkpath(path(QStringLiteral("data"))));
    ListGuard first(list);
    QVERIFY(first.acquire());
    const QString lock = first.lockPath();
    if (folderRemoved) {
        QVERIFY(QDir(path(QStringLiteral("data"))).removeRecursively());
        QTest::qWait(2 * ListGuard::kKeepLockMs);
        QVERIFY(!QFileInfo::exists(path(QStringLiteral("data")))); // not made for the lock alone
        QVERIFY(QDir().mkpath(path(QStringLiteral("data"))));      // as the next save does
    } else {
        QVERIFY(QFile::remove(lock));
    }
    QTRY_VERIFY(QFileInfo::exists(lock));
    QCOMPARE(TestHelpers::readFile(lock).split('\n').value(0), QByteArray::number(QCoreApplication::applicationPid()));
    QVERIFY(!ListGuard(list).acquire());
}

void tst_ListGuard::aLockNoRunningProgramHoldsIsTakenOver_data()
{
    QTest::addColumn<QByteArray>("lock");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("garbled") << QByteArray("\x01\xfe#!garbage\n\n");
    QTest::newRow("written on another host") << QByteArray("4242\ntickerloom\nelsewhere.example\n");
    QTest::newRow("naming this running test") << QByteArray::number(QCoreApplication::applicationPid()) + "\ntst\n" +
                                                     QSysInfo::machineHostName().toUtf8() + '\n';
}

void tst_ListGuard::aLockNoRunningProgramHoldsIsTakenOver()
{
    QFETCH(QByteArray, lock);
    makeFile(path());
    TestHelpers::writeFile(lockPathOf(path()), lock);
    ListGuard next(path());
    QVERIFY(next.acquire());
    QSignalSpy shown(&next, &ListGuard::showRequested);
    QVERIFY(ListGuard(path()).askRunningCopyToShow());
    QTRY_COMPARE(shown.size(), 1);
}

QTEST_GUILESS_MAIN(tst_ListGuard)
#include "tst_listguard.moc"
