#include "watch/ListPreread.h"
#include "watch/ScripsFile.h"

#include "support/TestHelpers.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <QElapsedTimer>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <sys/stat.h>

class tst_ScripsFile : public QObject
{
    Q_OBJECT

private slots:
    void linesEndAtCrLfOrLoneCr_data();
    void linesEndAtCrLfOrLoneCr();
    void blankAndAllSpaceLinesHoldNoScrip();
    void writtenRowsRoundTrip();
    void everyByteRoundTrips();
    void failedSaveLeavesTheOldFileWhole();
    void fullDiskLeavesTheOldFileWhole();
    void leftoversOfAnInterruptedSaveAreRemoved();
    void aLinkNamedLikeTheListStaysALink();
    void aFileThatCannotBeReadSaysWhy_data();
    void aFileThatCannotBeReadSaysWhy();
    void aPipeOrAnEndlessDeviceIsNeverReadFrom();
    void aFileOfTheSizeLimitIsReadAndOneByteMoreIsRefused_data();
    void aFileOfTheSizeLimitIsReadAndOneByteMoreIsRefused();
    void anEarlyReadGivesWhatTheFileHoldsWhenTaken_data();
    void anEarlyReadGivesWhatTheFileHoldsWhenTaken();
};

namespace {

// Makes every write past maxBytes of a file fail, as a full disk does, for as
// long as it lives; root is bound by it too.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t maxBytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_previous);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN); // the write fails instead of ending the test
        const rlimit limited{maxBytes, m_previous.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limited);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
};

} // namespace

void tst_ScripsFile::linesEndAtCrLfOrLoneCr_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("windows ends") << QByteArray("A\r\nB\r\n") << QStringList{"A", "B"};
    QTest::newRow("lone cr") << QByteArray("A\rB\r") << QStringList{"A", "B"};
    QTest::newRow("lone lf, as Linux editors write") << QByteArray("A\nB\n") << QStringList{"A", "B"};
    QTest::newRow("lf cr is two ends") << QByteArray("A\n\rB") << QStringList{"A", "", "B"};
    QTest::newRow("byte-order mark dropped") << QByteArray("\xEF\xBB\xBFINFY\r\n") << QStringList{"INFY"};
    QTest::newRow("a mark past the start stays") << QByteArray("A\r\n\xEF\xBB\xBF"
                                                               "B")
                                                 << QStringList{"A", QString::fromLatin1("\xEF\xBB\xBF"
                                                                                         "B")};
    QTest::newRow("last line without end") << QByteArray("A\r\nB") << QStringList{"A", "B"};
    QTest::newRow("blank lines kept as lines") << QByteArray("\r\n\r\nA\r\n") << QStringList{"", "", "A"};
    QTest::newRow("cr cr lf") << QByteArray("A\r\r\nB") << QStringList{"A", "", "B"};
    QTest::newRow("empty file") << QByteArray() << QStringList{};
}

void tst_ScripsFile::linesEndAtCrLfOrLoneCr()
{
    QFETCH(QByteArray, bytes);
    QFETCH(QStringList, lines);
    QCOMPARE(ScripsFile::lines(bytes), lines);
}

void tst_ScripsFile::blankAndAllSpaceLinesHoldNoScrip()
{
    QVERIFY(!ScripsFile::holdsScrip(QString()));
    QVERIFY(!ScripsFile::holdsScrip(QStringLiteral("    ")));
    QVERIFY(ScripsFile::holdsScrip(QStringLiteral("  ABC  ")));
    QVERIFY(ScripsFile::holdsScrip(QStringLiteral("\t")));
}

void tst_ScripsFile::writtenRowsRoundTrip()
{
    QCOMPARE(ScripsFile::serialize({"A", "B", ""}), QByteArray("A\r\nB\r\n\r\n"));
    QCOMPARE(ScripsFile::serialize({""}), QByteArray("\r\n"));

    const QStringList rows{"  ABC  ", "M&M", ""};
    QStringList kept;
    for (const QString &line : ScripsFile::lines(ScripsFile::serialize(rows)))
        if (ScripsFile::holdsScrip(line))
            kept.append(line);
    QCOMPARE(kept, (QStringList{"  ABC  ", "M&M"}));
}

void tst_ScripsFile::everyByteRoundTrips()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n')
            bytes += char(b);
    const QStringList lines = ScripsFile::lines(bytes);
    QCOMPARE(lines.size(), 1);
    QCOMPARE(ScripsFile::serialize(lines), bytes + "\r\n");
}

void tst_ScripsFile::failedSaveLeavesTheOldFileWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Scrips.dat");
    QVERIFY(ScripsFile::save(path, {"A", "B", ""}).isEmpty());
    QCOMPARE(TestHelpers::readFile(path), QByteArray("A\r\nB\r\n\r\n"));

    QVERIFY(!ScripsFile::save(dir.filePath("missing/Scrips.dat"), {"A"}).isEmpty());
    QVERIFY(QDir(dir.path()).mkdir("taken"));
    QVERIFY(!ScripsFile::save(dir.filePath("taken"), {"A"}).isEmpty());

    // A folder that cannot be written: the reason comes back, the file stays.
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    const QString reason = ScripsFile::save(path, {"C", ""});
    QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QCOMPARE(TestHelpers::readFile(path), reason.isEmpty() ? QByteArray("C\r\n\r\n") : QByteArray("A\r\nB\r\n\r\n"));
}

void tst_ScripsFile::fullDiskLeavesTheOldFileWhole()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Scrips.dat");
    QVERIFY(ScripsFile::save(path, {"A", "B", ""}).isEmpty());
    QStringList many;
    for (int i = 0; i < 1000; ++i)
        many.append(QStringLiteral("SCRIP%1").arg(i));
    QString reason;
    {
        const FileSizeLimit full(4096);
        reason = ScripsFile::save(path, many);
    }
    QVERIFY(!reason.isEmpty());
    QCOMPARE(TestHelpers::readFile(path), QByteArray("A\r\nB\r\n\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"Scrips.dat"}); // no temporary left
}

void tst_ScripsFile::leftoversOfAnInterruptedSaveAreRemoved()
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Scrips.dat");
    TestHelpers::writeFile(path, "A\r\n");
    // What a save leaves behind when it is killed before its rename, and the
    // user's own files that merely look alike.
    TestHelpers::writeFile(dir.filePath("Scrips.dat.tickerloom-a1B2c3"), "B\r\n");
    const QStringList others{"Other.dat.tickerloom-a1B2c3", "Scrips.dat.tickerloom-a1B2c3d", "Scrips.dat.backup",
                             "Scrips.dat.a1B2c3", "Scrips.dat.tickerloom-a1-2c3"};
    for (const QString &name : others)
        TestHelpers::writeFile(dir.filePath(name), "keep");

    ScripsFile::removeStaleTemporaries(path);
    QStringList expected = others;
    expected.append("Scrips.dat");
    expected.sort();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files, QDir::Name), expected);
    QCOMPARE(TestHelpers::readFile(path), QByteArray("A\r\n"));
}

void tst_ScripsFile::aLinkNamedLikeTheListStaysALink()
{
    QTemporaryDir dir;
    const QString target = dir.filePath("lists/mine.dat");
    QVERIFY(QDir(dir.path()).mkdir("lists"));
    TestHelpers::writeFile(target, "OLD\r\n");
    QFile::setPermissions(target, QFile::ReadOwner | QFile::WriteOwner); // not what a new file gets
    const QFileDevice::Permissions permissions = QFile::permissions(target);
    const QString path = dir.filePath("Scrips.dat");
    QVERIFY(QFile::link(target, path));
    QVERIFY(ScripsFile::save(path, {"A", ""}).isEmpty());
    QVERIFY(QFileInfo(path).isSymLink());
    QCOMPARE(TestHelpers::readFile(target), QByteArray("A\r\n\r\n"));
    QCOMPARE(QFile::permissions(target), permissions);
    QCOMPARE(QDir(dir.filePath("lists")).entryList(QDir::Files), QStringList{"mine.dat"});
}

void tst_ScripsFile::aFileThatCannotBeReadSaysWhy_data()
{
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("found");
    QTest::newRow("no file: the first run") << ENOENT << false;
    QTest::newRow("left by root under sudo") << EACCES << true;
    QTest::newRow("an input-output error") << EIO << true;
}

// Root reads every file: the opener is the seam that fails as a plain user's would.
void tst_ScripsFile::aFileThatCannotBeReadSaysWhy()
{
    QFETCH(int, error);
    QFETCH(bool, found);
    const ScripsFile::Loaded loaded = ScripsFile::load(QStringLiteral("/any/Scrips.dat"), [error](const QByteArray &) {
        errno = error;
        return -1;
    });
    QCOMPARE(loaded.found, found);
    QCOMPARE(loaded.failure.isEmpty(), !found);
    QVERIFY(loaded.scrips.isEmpty());
    if (found)
        QCOMPARE(loaded.failure, QString::fromLocal8Bit(std::strerror(error)));
}

void tst_ScripsFile::aPipeOrAnEndlessDeviceIsNeverReadFrom()
{
    // Nor written to: a list linked to a pipe keeps the pipe.
    {
        QTemporaryDir dir;
        const QString pipe = dir.filePath(QStringLiteral("pipe"));
        const QString list = dir.filePath(QStringLiteral("Scrips.dat"));
        QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QVERIFY(QFile::link(pipe, list));
        QVERIFY(!ScripsFile::save(list, {"A", ""}).isEmpty());
        struct stat status
        {
        };
        QCOMPARE(::stat(QFile::encodeName(pipe).constData(), &status), 0);
        QVERIFY(S_ISFIFO(status.st_mode));
    }

    QTemporaryDir dir;
    const QString pipe = dir.filePath(QStringLiteral("pipe"));
    QCOMPARE(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    QElapsedTimer took;
    took.start();
    ScripsFile::Loaded loaded = ScripsFile::load(pipe); // no writer: a blocking open would never return
    QVERIFY(took.elapsed() < 5000);
    QVERIFY(loaded.found);
    QVERIFY(!loaded.failure.isEmpty());

    loaded = ScripsFile::load(QStringLiteral("/dev/zero"));
    QVERIFY(!loaded.failure.isEmpty());

    // A regular file larger than any list is refused after a bounded read.
    const QString huge = dir.filePath(QStringLiteral("huge"));
    QFile file(huge);
    QVERIFY(file.open(QIODevice::WriteOnly));
    QVERIFY(file.resize(ScripsFile::kMaxFileBytes + 1));
    file.close();
    loaded = ScripsFile::load(huge);
    QVERIFY(!loaded.failure.isEmpty());
    QVERIFY(loaded.scrips.isEmpty());
}

void tst_ScripsFile::aFileOfTheSizeLimitIsReadAndOneByteMoreIsRefused_data()
{
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("read");
    QTest::newRow("one byte less") << ScripsFile::kMaxFileBytes - 1 << true;
    QTest::newRow("the limit") << ScripsFile::kMaxFileBytes << true;
    QTest::newRow("one byte more") << ScripsFile::kMaxFileBytes + 1 << false;
}

void tst_ScripsFile::aFileOfTheSizeLimitIsReadAndOneByteMoreIsRefused()
{
    QFETCH(qint64, size);
    QFETCH(bool, read);
    // A scrip at either end, spaces between: the last byte must be read too.
    QByteArray bytes = "FIRST\r\n" + QByteArray(size - 13, ' ') + "\r\nLAST";
    QCOMPARE(bytes.size(), size);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Scrips.dat"));
    TestHelpers::writeFile(path, bytes);
    const ScripsFile::Loaded loaded = ScripsFile::load(path);
    QVERIFY(loaded.found);
    QCOMPARE(loaded.failure.isEmpty(), read);
    QCOMPARE(loaded.scrips, read ? QStringList({"FIRST", "LAST"}) : QStringList());
}

void tst_ScripsFile::anEarlyReadGivesWhatTheFileHoldsWhenTaken_data()
{
    QTest::addColumn<QByteArray>("atStart"); // empty: no file
    QTest::addColumn<QByteArray>("whenTaken");
    // Long enough to be read on a thread; the changes keep the file's size.
    const QByteArray list = QByteArray("ALPHA\r\n").repeated(ListPreread::kLeastBytes / 7 + 1);
    QByteArray edited = list;
    edited.replace(list.size() / 2, 5, "OMEGA");
    QTest::newRow("unchanged") << list << list;
    QTest::newRow("edited in place") << list << edited;
    QTest::newRow("made meanwhile") << QByteArray() << list;
    QTest::newRow("removed meanwhile") << list << QByteArray();
}

void tst_ScripsFile::anEarlyReadGivesWhatTheFileHoldsWhenTaken()
{
    QFETCH(QByteArray, atStart);
    QFETCH(QByteArray, whenTaken);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Scrips.dat"));
    if (!atStart.isEmpty())
        TestHelpers::writeFile(path, atStart);
    ListPreread early(path);
    QTest::qWait(100); // the early reading is done
    if (whenTaken.isEmpty())
        QFile::remove(path);
    else if (whenTaken != atStart)
        TestHelpers::writeFile(path, whenTaken);
    const ScripsFile::Loaded taken = early.take();
    const ScripsFile::Loaded now = ScripsFile::load(path);
    QCOMPARE(taken.found, now.found);
    QCOMPARE(taken.failure, now.failure);
    QCOMPARE(taken.scrips, now.scrips);
}

QTEST_GUILESS_MAIN(tst_ScripsFile)
#include "tst_scripsfile.moc"
