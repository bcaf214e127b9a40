#include "watch/ScripsFile.h"

#include "support/TestHelpers.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

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
};

void tst_ScripsFile::linesEndAtCrLfOrLoneCr_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("windows ends") << QByteArray("A\r\nB\r\n") << QStringList{"A", "B"};
    QTest::newRow("lone cr") << QByteArray("A\rB\r") << QStringList{"A", "B"};
    QTest::newRow("lone lf stays") << QByteArray("A\nB\r\n") << QStringList{"A\nB"};
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

    const QStringList rows{"  ABC  ", "M&M", "X\nY", ""};
    QStringList kept;
    for (const QString &line : ScripsFile::lines(ScripsFile::serialize(rows)))
        if (ScripsFile::holdsScrip(line))
            kept.append(line);
    QCOMPARE(kept, (QStringList{"  ABC  ", "M&M", "X\nY"}));
}

void tst_ScripsFile::everyByteRoundTrips()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        if (b != '\r')
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

QTEST_GUILESS_MAIN(tst_ScripsFile)
#include "tst_scripsfile.moc"
