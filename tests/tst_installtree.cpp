#include "watch/ProgramIcon.h"

#include "support/BuildTools.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QMap>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QXmlStreamReader>

// The tree that `cmake --install` lays out, read the way a desktop reads it:
// the programs, the menu entry, the AppStream metainfo and the icon theme.
class tst_InstallTree : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void holdsTheProgramsAndTheDesktopFiles();
    void desktopFilesPassTheirValidators_data();
    void desktopFilesPassTheirValidators();
    void menuEntryAndMetainfoNameTheProgramAndItsWindow();
    void iconsAreTheProgramIconWithoutBlendedPixels_data();
    void iconsAreTheProgramIconWithoutBlendedPixels();
    void scalableIconIsAnSvgOfTheIconsGrid();

private:
    QString installed(const QString &relative) const { return m_prefix.filePath(relative); }

    QTemporaryDir m_prefix;
};

static const QString kAppId = QStringLiteral(TICKERLOOM_APP_ID);
static const QString kDesktopEntry = QStringLiteral("share/applications/%1.desktop").arg(kAppId);
static const QString kMetainfo = QStringLiteral("share/metainfo/%1.metainfo.xml").arg(kAppId);
static const QString kSvgIcon = QStringLiteral("share/icons/hicolor/scalable/apps/%1.svg").arg(kAppId);
static const QList<int> kIconSizes = {16, 32, 48, 64, 128, 256};

static QString pngIcon(int size)
{
    return QStringLiteral("share/icons/hicolor/%1x%1/apps/%2.png").arg(QString::number(size), kAppId);
}

// The keys of a desktop entry's one group.
static QMap<QString, QString> desktopEntryKeys(const QString &path)
{
    QFile file(path);
    QMap<QString, QString> keys;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return keys;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0)
            keys.insert(line.left(equals), line.mid(equals + 1));
    }
    return keys;
}

// The text of each element, and each attribute as element@attribute.
static QMap<QString, QString> metainfoValues(const QString &path)
{
    QFile file(path);
    QMap<QString, QString> values;
    if (!file.open(QIODevice::ReadOnly))
        return values;
    QXmlStreamReader xml(&file);
    while (!xml.atEnd()) {
        if (xml.readNext() != QXmlStreamReader::StartElement)
            continue;
        const QString name = xml.name().toString();
        for (const QXmlStreamAttribute &attribute : xml.attributes())
            values.insert(name + QLatin1Char('@') + attribute.name().toString(), attribute.value().toString());
        if (name == QLatin1String("id") || name == QLatin1String("launchable"))
            values.insert(name, xml.readElementText());
    }
    return values;
}

void tst_InstallTree::initTestCase()
{
    QVERIFY(m_prefix.isValid());
    const BuildTools::ToolRun install = BuildTools::installInto(m_prefix.path());
    QVERIFY2(install.exitCode == 0, qPrintable(install.output));
}

void tst_InstallTree::holdsTheProgramsAndTheDesktopFiles()
{
    QStringList expected = {QStringLiteral("bin/tickerloom"), kDesktopEntry, kMetainfo, kSvgIcon};
    if (TICKERLOOM_HAS_SERVICE)
        expected << QStringLiteral("bin/tickerloom-service");
    for (int size : kIconSizes)
        expected << pngIcon(size);
    expected.sort();
    QCOMPARE(BuildTools::filesUnder(m_prefix.path()), expected);
}

void tst_InstallTree::desktopFilesPassTheirValidators_data()
{
    QTest::addColumn<QString>("validator");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("file");
    QTest::newRow("desktop entry") << "desktop-file-validate" << QStringList() << kDesktopEntry;
    QTest::newRow("metainfo") << "appstreamcli" << QStringList{"validate", "--no-net"} << kMetainfo;
}

void tst_InstallTree::desktopFilesPassTheirValidators()
{
    QFETCH(QString, validator);
    QFETCH(QStringList, arguments);
    QFETCH(QString, file);
    const QString program = QStandardPaths::findExecutable(validator);
    if (program.isEmpty())
        QSKIP(qPrintable(validator + " is not installed"));
    const BuildTools::ToolRun check = BuildTools::run(program, arguments << installed(file));
    QVERIFY2(check.exitCode == 0, qPrintable(check.output));
    // Both validators pass files with warnings and hints; these files have none.
    QStringList issues = check.output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    issues.removeIf([](const QString &line) { return line.contains(QLatin1String("Validation was successful")); });
    QVERIFY2(issues.isEmpty(), qPrintable(check.output));
}

void tst_InstallTree::menuEntryAndMetainfoNameTheProgramAndItsWindow()
{
    const QMap<QString, QString> entry = desktopEntryKeys(installed(kDesktopEntry));
    QVERIFY(QFileInfo(installed(QStringLiteral("bin/") + entry.value(QStringLiteral("Exec")))).isExecutable());
    QCOMPARE(entry.value(QStringLiteral("Icon")), kAppId);
    // Qt's xcb platform names the window's class after the application name.
    QCOMPARE(entry.value(QStringLiteral("StartupWMClass")), QStringLiteral("Tickerloom"));

    const QMap<QString, QString> metainfo = metainfoValues(installed(kMetainfo));
    QCOMPARE(metainfo.value(QStringLiteral("id")), kAppId);
    QCOMPARE(metainfo.value(QStringLiteral("launchable")), QFileInfo(kDesktopEntry).fileName());
    QCOMPARE(metainfo.value(QStringLiteral("release@version")), QStringLiteral(TICKERLOOM_VERSION));
}

void tst_InstallTree::iconsAreTheProgramIconWithoutBlendedPixels_data()
{
    QTest::addColumn<int>("size");
    for (int size : kIconSizes)
        QTest::addRow("%d px", size) << size;
}

void tst_InstallTree::iconsAreTheProgramIconWithoutBlendedPixels()
{
    QFETCH(int, size);
    const QImage icon(installed(pngIcon(size)));
    QCOMPARE(icon.size(), QSize(size, size));

    const QImage source = ProgramIcon::image().convertToFormat(QImage::Format_RGB32);
    QSet<QRgb> sourceColours;
    for (int y = 0; y < source.height(); ++y)
        for (int x = 0; x < source.width(); ++x)
            sourceColours.insert(source.pixel(x, y));
    // Whole multiples show each source pixel as a square block; other sizes
    // repeat some rows and columns, but never mix two colours into a third.
    const bool wholeMultiple = size % source.width() == 0;
    for (int y = 0; y < size; ++y) {
        for (int x = 0; x < size; ++x) {
            const QRgb pixel = icon.pixel(x, y);
            QVERIFY2(sourceColours.contains(pixel), qPrintable(QStringLiteral("blended pixel at %1,%2").arg(x).arg(y)));
            if (wholeMultiple)
                QCOMPARE(pixel, source.pixel(x * source.width() / size, y * source.height() / size));
        }
    }
}

void tst_InstallTree::scalableIconIsAnSvgOfTheIconsGrid()
{
    QFile file(installed(kSvgIcon));
    QVERIFY(file.open(QIODevice::ReadOnly));
    QXmlStreamReader xml(&file);
    QVERIFY(xml.readNextStartElement());
    QCOMPARE(xml.name(), QLatin1String("svg"));
    QCOMPARE(xml.attributes().value(QLatin1String("viewBox")), QLatin1String("0 0 32 32"));
    while (!xml.atEnd())
        xml.readNext();
    QVERIFY2(!xml.hasError(), qPrintable(xml.errorString()));
}

QTEST_GUILESS_MAIN(tst_InstallTree)
#include "tst_installtree.moc"
