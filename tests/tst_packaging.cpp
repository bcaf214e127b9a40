#include "protocol/QuoteProtocol.h"
#include "watch/ProgramIcon.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
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
    void serviceUnitsStartTheInstalledServiceOnItsPort();
    void serviceUnitsPassSystemdAnalyze();
    void packageHoldsTheInstalledTreeAndNamesItsLibraries();

private:
    QTemporaryDir m_prefix;
};

static const QString kAppId = QStringLiteral(TICKERLOOM_APP_ID);
static const QString kUnitDir = QStringLiteral("lib/systemd/user/");
static const QString kSocketUnit = QStringLiteral("tickerloom-service.socket");
static const QString kServiceUnit = QStringLiteral("tickerloom-service.service");
static const QString kEnablingLink = kUnitDir + "sockets.target.wants/" + kSocketUnit;

// The lines of a text file that start with key=, without it.
static QStringList valuesOf(const QByteArray &text, const QString &key)
{
    QStringList values;
    for (const QString &line : QString::fromUtf8(text).split(u'\n'))
        if (line.startsWith(key + u'='))
            values << line.mid(key.size() + 1);
    return values;
}

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
    QStringList expected = {"bin/tickerloom",
                            "share/applications/" + kAppId + ".desktop",
                            "share/metainfo/" + kAppId + ".metainfo.xml",
                            "share/icons/hicolor/scalable/apps/" + kAppId + ".svg",
                            "share/doc/tickerloom/README.md",
                            "share/doc/tickerloom/copyright"};
    if (TICKERLOOM_HAS_SERVICE)
        expected << QStringLiteral("bin/tickerloom-service") << kUnitDir + kSocketUnit << kUnitDir + kServiceUnit
                 << kEnablingLink;
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

void tst_Packaging::serviceUnitsStartTheInstalledServiceOnItsPort()
{
    if (!TICKERLOOM_HAS_SERVICE)
        QSKIP("the demo quote service is not built");
    // Enabled for every user by a link beside the units, made without systemctl.
    const QFileInfo link(m_prefix.filePath(kEnablingLink));
    QVERIFY(link.isSymLink());
    QCOMPARE(link.symLinkTarget(), m_prefix.filePath(kUnitDir + kSocketUnit));
    QFile socket(m_prefix.filePath(kUnitDir + kSocketUnit));
    QFile service(m_prefix.filePath(kUnitDir + kServiceUnit));
    QVERIFY(socket.open(QIODevice::ReadOnly) && service.open(QIODevice::ReadOnly));
    const QByteArray socketText = socket.readAll();
    QCOMPARE(valuesOf(socketText, QStringLiteral("ListenStream")),
             QStringList{QStringLiteral("127.0.0.1:%1").arg(QuoteProtocol::kDefaultPort)});
    QCOMPARE(valuesOf(socketText, QStringLiteral("WantedBy")), QStringList{"sockets.target"});
    QCOMPARE(valuesOf(service.readAll(), QStringLiteral("ExecStart")),
             QStringList{m_prefix.filePath(QStringLiteral("bin/tickerloom-service"))});
}

void tst_Packaging::serviceUnitsPassSystemdAnalyze()
{
    if (!TICKERLOOM_HAS_SERVICE)
        QSKIP("the demo quote service is not built");
    const QString analyze = QStandardPaths::findExecutable(QStringLiteral("systemd-analyze"));
    if (analyze.isEmpty())
        QSKIP("systemd-analyze is not installed");
    // A user manager's check wants a runtime folder of its own; it also
    // checks that ExecStart names a program that is there.
    QTemporaryDir runtime;
    QProcess verify;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
    verify.setProcessEnvironment(environment);
    verify.setProcessChannelMode(QProcess::MergedChannels);
    verify.start(analyze, {QStringLiteral("--user"), QStringLiteral("verify"),
                           m_prefix.filePath(kUnitDir + kSocketUnit), m_prefix.filePath(kUnitDir + kServiceUnit)});
    QVERIFY(verify.waitForFinished(60000));
    const QString output = QString::fromLocal8Bit(verify.readAll());
    QVERIFY2(verify.exitStatus() == QProcess::NormalExit && verify.exitCode() == 0, qPrintable(output));
    QVERIFY2(output.trimmed().isEmpty(), qPrintable(output)); // not even a warning
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
    // "lrwxrwxrwx root/root 0 2026-12-07 13:06 ./usr/lib/.../x.socket -> ../x.socket"
    const QRegularExpressionMatch linkLine =
        QRegularExpression(QStringLiteral("^l\\S+ root/root .* \\./usr/(\\S+) -> (\\S+)$"),
                           QRegularExpression::MultilineOption)
            .match(output);
    if (TICKERLOOM_HAS_SERVICE) {
        QVERIFY2(linkLine.hasMatch(), qPrintable(output));
        QCOMPARE(linkLine.captured(1), kEnablingLink);
        QCOMPARE(linkLine.captured(2), "../" + kSocketUnit);
        files << linkLine.captured(1);
        QCOMPARE(run(QStringLiteral("sh"),
                     {QStringLiteral("-c"),
                      QStringLiteral("dpkg-deb --fsys-tarfile \"$0\" | tar -xO ./usr/%1%2").arg(kUnitDir, kServiceUnit),
                      deb},
                     &output),
                 0);
        QCOMPARE(valuesOf(output.toUtf8(), QStringLiteral("ExecStart")), QStringList{"/usr/bin/tickerloom-service"});
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
