// Replacing a file whole: the new file is on the disk before it takes the
// old one's name, and a sync that fails leaves the old file as it was.
#include "support/TestHelpers.h"
#include "watch/FileSwap.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

class tst_FileSwap : public QObject
{
    Q_OBJECT

private slots:
    void theNewFileIsSyncedWholeBeforeItTakesTheName();
    void aFailedSyncLeavesTheOldFileAndNoNewOne();
};

void tst_FileSwap::theNewFileIsSyncedWholeBeforeItTakesTheName()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Scrips.dat"));
    TestHelpers::writeFile(path, "OLD\r\n");
    const QByteArray bytes = "NEW\r\nLIST\r\n";
    int syncs = 0;
    qint64 sizeWhenSynced = -1;
    QByteArray nameHeldWhenSynced;
    const auto sync = [&](int descriptor) {
        ++syncs;
        struct stat status = {};
        if (::fstat(descriptor, &status) == 0)
            sizeWhenSynced = status.st_size;
        nameHeldWhenSynced = TestHelpers::readFile(path);
        return ::fsync(descriptor);
    };

    QCOMPARE(FileSwap::replace(path, bytes, FileSwap::Link::Follow, sync), QString());
    QCOMPARE(syncs, 1);
    QCOMPARE(sizeWhenSynced, bytes.size());              // every byte written first
    QCOMPARE(nameHeldWhenSynced, QByteArray("OLD\r\n")); // the rename only after
    QCOMPARE(TestHelpers::readFile(path), bytes);
}

void tst_FileSwap::aFailedSyncLeavesTheOldFileAndNoNewOne()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Scrips.dat"));
    TestHelpers::writeFile(path, "OLD\r\n");
    const auto failingSync = [](int) {
        errno = EIO;
        return -1;
    };

    QCOMPARE(FileSwap::replace(path, "NEW\r\n", FileSwap::Link::Follow, failingSync),
             QString::fromLocal8Bit(std::strerror(EIO)));
    QCOMPARE(TestHelpers::readFile(path), QByteArray("OLD\r\n"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Scrips.dat")});
}

QTEST_GUILESS_MAIN(tst_FileSwap)
#include "tst_fileswap.moc"
