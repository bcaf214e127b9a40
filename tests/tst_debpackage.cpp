#include "support/BuildTools.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// The Debian package that `cpack -G DEB` builds from this build folder.
class tst_DebPackage : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void holdsTheInstalledTreeUnderUsrOwnedByRoot();
    void controlNamesThePackageAndItsVersion();
    void dependsOnTheLibrariesTheProgramsLink_data();
    void dependsOnTheLibrariesTheProgramsLink();

private:
    QString field(const QString &name) const;

    QTemporaryDir m_dir;
    QString m_deb;
};

void tst_DebPackage::initTestCase()
{
    if (QStandardPaths::findExecutable(QStringLiteral("dpkg-deb")).isEmpty())
        QSKIP("dpkg-deb is not installed");
    QVERIFY(m_dir.isValid());
    // Packages into a folder of its own, so that a package in the build folder stays.
    const BuildTools::ToolRun pack =
        BuildTools::run(QStringLiteral(TICKERLOOM_CPACK),
                        {QStringLiteral("-G"), QStringLiteral("DEB"), QStringLiteral("-B"), m_dir.path(),
                         QStringLiteral("--config"), QStringLiteral(TICKERLOOM_BUILD_DIR "/CPackConfig.cmake")},
                        240000);
    QVERIFY2(pack.exitCode == 0, qPrintable(pack.output));
    const QStringList debs = QDir(m_dir.path()).entryList({QStringLiteral("tickerloom_*.deb")}, QDir::Files);
    QCOMPARE(debs.size(), 1);
    m_deb = m_dir.filePath(debs.first());
}

QString tst_DebPackage::field(const QString &name) const
{
    return BuildTools::run(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), m_deb, name}).output.trimmed();
}

void tst_DebPackage::holdsTheInstalledTreeUnderUsrOwnedByRoot()
{
    QTemporaryDir prefix;
    QVERIFY(prefix.isValid());
    const BuildTools::ToolRun install = BuildTools::installInto(prefix.path());
    QVERIFY2(install.exitCode == 0, qPrintable(install.output));
    QStringList expected;
    for (const QString &file : BuildTools::filesUnder(prefix.path()))
        expected << QStringLiteral("usr/") + file;

    const BuildTools::ToolRun contents =
        BuildTools::run(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), m_deb});
    QCOMPARE(contents.exitCode, 0);
    // "-rwxr-xr-x root/root 123 2024-01-01 00:00 ./usr/bin/tickerloom"
    static const QRegularExpression fileLine(QStringLiteral("^-(\\S+) (\\S+) .* \\./(\\S+)$"));
    QStringList files;
    for (const QString &line : contents.output.split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = fileLine.match(line);
        if (!match.hasMatch())
            continue;
        const QString path = match.captured(3);
        files << path;
        QCOMPARE(match.captured(2), QStringLiteral("root/root"));
        const bool program = path.startsWith(QLatin1String("usr/bin/"));
        QCOMPARE(match.captured(1), program ? QStringLiteral("rwxr-xr-x") : QStringLiteral("rw-r--r--"));
    }
    files.sort();
    QCOMPARE(files, expected);
}

void tst_DebPackage::controlNamesThePackageAndItsVersion()
{
    QCOMPARE(field(QStringLiteral("Package")), QStringLiteral("tickerloom"));
    QCOMPARE(field(QStringLiteral("Version")), QStringLiteral(TICKERLOOM_VERSION));
    QVERIFY(field(QStringLiteral("Maintainer")).contains(QLatin1Char('@')));
    QVERIFY(field(QStringLiteral("Description")).contains(QLatin1String("tickerloom-service")));
}

void tst_DebPackage::dependsOnTheLibrariesTheProgramsLink_data()
{
    QTest::addColumn<QString>("library");
    for (const char *library : {"libc6", "libstdc++6", "libqt6core6", "libqt6gui6", "libqt6widgets6", "libqt6network6"})
        QTest::newRow(library) << QString::fromLatin1(library);
    if (TICKERLOOM_HAS_SERVICE)
        QTest::newRow("libqt6httpserver6") << QStringLiteral("libqt6httpserver6");
}

void tst_DebPackage::dependsOnTheLibrariesTheProgramsLink()
{
    QFETCH(QString, library);
    // "libc6 (>= 2.34), libqt6core6 (>= 6.4.0) | libfoo, ..."
    QStringList packages;
    static const QRegularExpression separator(QStringLiteral("[,|]"));
    for (const QString &entry : field(QStringLiteral("Depends")).split(separator))
        packages << entry.trimmed().section(QLatin1Char(' '), 0, 0);
    QVERIFY2(packages.contains(library), qPrintable(packages.join(QLatin1String(", "))));
}

QTEST_GUILESS_MAIN(tst_DebPackage)
#include "tst_debpackage.moc"
