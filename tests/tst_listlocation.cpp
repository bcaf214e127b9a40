// Where the watch list and the advertisement picture live: beside a copy of
// the program that can write its folder, in the user's folders once installed.
#include "watch/ListLocation.h"

#include "support/TestHelpers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

class tst_ListLocation : public QObject
{
    Q_OBJECT

private slots:
    void listLivesBesideAWritableCopyElseInTheUsersFolders_data();
    void listLivesBesideAWritableCopyElseInTheUsersFolders();
    void theInstallFolderCountsAsNotWritable();
    void everyCompiledInInstallFolderCountsAsInstalled();
    void movingToTheUsersFolderLosesNoList();
};

void tst_ListLocation::listLivesBesideAWritableCopyElseInTheUsersFolders_data()
{
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QString>("scripsPath");
    QTest::addColumn<QString>("advertFolder");
    QTest::newRow("a copy in a folder of its own") << true << "/home/u/tl/Scrips.dat"
                                                   << "/home/u/work";
    QTest::newRow("installed") << false << "/home/u/.local/share/Tickerloom/Scrips.dat"
                               << "/home/u/.cache/Tickerloom";
}

void tst_ListLocation::listLivesBesideAWritableCopyElseInTheUsersFolders()
{
    QFETCH(bool, writable);
    QFETCH(QString, scripsPath);
    QFETCH(QString, advertFolder);
    const ListLocation::Places places = ListLocation::choose(
        {"/home/u/tl", writable, "/home/u/.local/share/Tickerloom", "/home/u/.cache/Tickerloom", "/home/u/work"});
    QCOMPARE(places.scripsPath, scripsPath);
    QCOMPARE(places.advertFolder, advertFolder);
}

void tst_ListLocation::movingToTheUsersFolderLosesNoList()
{
    QTemporaryDir root;
    const QString program = root.filePath("bin");
    QVERIFY(QDir().mkpath(program));
    TestHelpers::writeFile(program + "/Scrips.dat", "A\r\nB\r\n\r\n");
    const ListLocation::Folders folders{program, false, root.filePath("data"), root.filePath("cache"), QString()};
    const ListLocation::Places places = ListLocation::choose(folders);
    const QString previousFolder = QDir::currentPath();

    ListLocation::prepare(places, folders);
    QCOMPARE(TestHelpers::readFile(places.scripsPath), QByteArray("A\r\nB\r\n\r\n"));
    QVERIFY(QFileInfo(places.advertFolder).isDir()); // where "ad.jpg" goes
    QCOMPARE(QDir::currentPath(), previousFolder);   // the working folder stays as it was

    // Once the user's list exists it is theirs: the old one never replaces it.
    TestHelpers::writeFile(places.scripsPath, "C\r\n\r\n");
    ListLocation::prepare(places, folders);
    QCOMPARE(TestHelpers::readFile(places.scripsPath), QByteArray("C\r\n\r\n"));
    QCOMPARE(TestHelpers::readFile(program + "/Scrips.dat"), QByteArray("A\r\nB\r\n\r\n"));
}

void tst_ListLocation::theInstallFolderCountsAsNotWritable()
{
    // An administrator can write /usr/bin, and is still not to keep a list there.
    const QString here = QCoreApplication::applicationDirPath();
    QVERIFY(!ListLocation::ofThisProgram({QStringLiteral("/usr/local/bin"), here}).programWritable);
    const ListLocation::Folders copied = ListLocation::ofThisProgram({QStringLiteral("/usr/local/bin")});
    QCOMPARE(copied.program, here);
    QCOMPARE(copied.programWritable, QFileInfo(here).isWritable());
}

void tst_ListLocation::everyCompiledInInstallFolderCountsAsInstalled()
{
    // The list the program is built with, split as the program splits it.
    const QString list = QStringLiteral(TICKERLOOM_INSTALL_BINDIRS);
    const QStringList compiled = list.split(u':');
    // It holds both places this build installs to: by its install rules and by its package.
    QVERIFY2(compiled.contains(QStringLiteral(TICKERLOOM_PREFIX_BINDIR)), qPrintable(list));
    QVERIFY2(compiled.contains(QStringLiteral(TICKERLOOM_PACKAGE_BINDIR)), qPrintable(list));
    // Each folder is recognised wherever it stands in the list: this program
    // stands in for one installed there.
    const QString here = QCoreApplication::applicationDirPath();
    for (qsizetype i = 0; i < compiled.size(); ++i) {
        QVERIFY2(QDir::isAbsolutePath(compiled[i]) && QDir::cleanPath(compiled[i]) == compiled[i], qPrintable(list));
        QStringList installedHere = compiled;
        installedHere[i] = here;
        QVERIFY2(!ListLocation::ofThisProgram(installedHere).programWritable, qPrintable(compiled[i]));
    }
}

QTEST_GUILESS_MAIN(tst_ListLocation)
#include "tst_listlocation.moc"
