#include "watch/ProgramIcon.h"

#include <QDir>
#include <QDirIterator>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

// What `cmake --install` lays out from this build folder, and what
// `cpack -G DEB` packs from it. CTest runs the two as tests of their own.
class tst_Packaging : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void installedTreeHoldsTheProgramsAndSharpIconsOfEverySize();
    void desktopFilesPassTheirValidators();
    void packageHoldsTheInstalledTreeAndNamesItsLibraries();

private:
    QTemporaryDir m_prefix;
};

static const QString kAppId = QStringLiteral(TICKERLOOM_APP_ID);

// The tool's exit code, or -1 when it did not start, crashed or overran its deadline.
static int run(const QString &program, const QStringList &arguments, QString *output)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    const bool finished = process.waitForFinished(240000);
    if (!finished)
        process.kill();
    *output = QString::fromLocal8Bit(process.readAll());
    if (!finished || process.exitStatus() != QProcess::NormalExit)
        return -1;
    return process.exitCode();
}

static QStringList filesUnder(const QString &dir)
{
    QStringList files;
    for (QDirIterator it(dir, QDir::Files, QDirIterator::Subdirectories); it.hasNext();)
        files << QDir(dir).relativeFilePath(it.next());
    files.sort();
    return files;
}

void tst_Packaging::initTestCase()
{
    const QStringList install = {"--install", TICKERLOOM_BUILD_DIR, "--prefix", m_prefix.path()};
    QString log;
    QVERIFY2(run(QStringLiteral(TICKERLOOM_CMAKE), install, &log) == 0, qPrintable(log));
}

void tst_Packaging::installedTreeHoldsTheProgramsAndSharpIconsOfEverySize()
{
    QStringList expected = {"bin/tickerloom", "share/applications/" + kAppId + ".desktop",
                            "share/metainfo/" + kAppId + ".metainfo.xml",
                            "share/icons/hicolor/scalable/apps/" + kAppId + ".svg"};
    if (TICKERLOOM_HAS_SERVICE)
        expected << QStringLiteral("bin/tickerloom-service");
    const QImage source = ProgramIcon::image();
    QSet<QRgb> iconColours;
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            iconColours.insert(source.pixel(x, y));
    for (int size : {16, 32, 48, 64, 128, 256}) {
        expected << QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(QString::number(size), kAppId);
        const QImage icon(m_prefix.filePath(expected.last()));
        QCOMPARE(icon.size(), QSize(size, size));
        // Scaled to the nearest pixel: no colour mixed from two of the icon's.
        for (int y = 0; y < size; ++y)
            for (int x = 0; x < size; ++x)
                QVERIFY2(iconColours.contains(icon.pixel(x, y)), qPrintable(expected.last()));
    }
    expected.sort();
    QCOMPARE(filesUnder(m_prefix.path()), expected);
}

void tst_Packaging::desktopFilesPassTheirValidators()
{
    const QList<QStringList> checks = {
        {"desktop-file-validate", "share/applications/" + kAppId + ".desktop"},
        {"appstreamcli", "validate", "--no-net", "share/metainfo/" + kAppId + ".metainfo.xml"},
    };
    for (QStringList check : checks) {
        const QString validator = QStandardPaths::findExecutable(check.takeFirst());
        if (validator.isEmpty())
            QSKIP("desktop-file-utils or appstream is not installed");
        check.last() = m_prefix.filePath(check.last());
        QString output;
        QVERIFY2(run(validator, check, &output) == 0, qPrintable(output));
        // Both validators pass files with warnings and hints; these files have none.
        output.remove(QRegularExpression(QStringLiteral(".*Validation was successful.*")));
        QVERIFY2(output.trimmed().isEmpty(), qPrintable(output));
    }
}

void tst_Packaging::packageHoldsTheInstalledTreeAndNamesItsLibraries()
{
    if (QStandardPaths::findExecutable(QStringLiteral("dpkg-deb")).isEmpty())
        QSKIP("dpkg-deb is not installed");
    QTemporaryDir out; // not the build folder, whose own package stays
    const QStringList pack = {"-G", "DEB", "-B", out.path(), "--config", TICKERLOOM_BUILD_DIR "/CPackConfig.cmake"};
    QString output;
    QVERIFY2(run(QStringLiteral(TICKERLOOM_CPACK), pack, &output) == 0, qPrintable(output));
    const QStringList debs = QDir(out.path()).entryList({QStringLiteral("tickerloom_" TICKERLOOM_VERSION "_*.deb")});
    QCOMPARE(debs.size(), 1);
    const QString deb = out.filePath(debs.first());

    // "-rwxr-xr-x root/root 181872 2026-12-07 13:06 ./usr/bin/tickerloom"
    QCOMPARE(run(QStringLiteral("dpkg-deb"), {QStringLiteral("--contents"), deb}, &output), 0);
    static const QRegularExpression fileLine(QStringLiteral("^-(\\S+) root/root .* \\./usr/(\\S+)$"),
                                             QRegularExpression::MultilineOption);
    QStringList files;
    for (const QRegularExpressionMatch &file : fileLine.globalMatch(output)) {
        files << file.captured(2);
        QCOMPARE(file.captured(1), file.captured(2).startsWith("bin/") ? "rwxr-xr-x" : "rw-r--r--");
    }
    files.sort();
    QCOMPARE(files, filesUnder(m_prefix.path()));

    QCOMPARE(run(QStringLiteral("dpkg-deb"), {QStringLiteral("--field"), deb, QStringLiteral("Depends")}, &output), 0);
    QStringList libraries = {"libc6", "libqt6gui6", "libqt6widgets6", "libqt6network6"};
    if (TICKERLOOM_HAS_SERVICE)
        libraries << QStringLiteral("libqt6httpserver6");
    for (const QString &library : libraries)
        QVERIFY2(output.contains(QRegularExpression("(^|, )" + library + "[ ,]")), qPrintable(library + ": " + output));
}

QTEST_GUILESS_MAIN(tst_Packaging)
#include "tst_packaging.moc"
