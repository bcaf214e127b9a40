// Loads a 32,765-line "Scrips.dat" into the main window and shows it.
// Prints the time and the peak RSS. Run with QT_QPA_PLATFORM=offscreen or on a display.
#include "BenchSupport.h"

#include "watch/SpreadGrid.h"
#include "watch/frmTickerloom.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    constexpr int kScrips = 32765;

    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Scrips.dat"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return 1;
    for (int i = 1; i <= kScrips; ++i)
        file.write(QStringLiteral("SYMBOL%1\r\n").arg(i, 5, 10, QLatin1Char('0')).toLatin1());
    file.close();

    const double rssBefore = BenchSupport::peakRssMb();
    QElapsedTimer timer;
    timer.start();
    frmTickerloom window(path, [](const QString &) { return QString(); }); // no network: the load alone
    window.OnWindowLoad();
    const double loadedMs = timer.nsecsElapsed() / 1e6;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    QCoreApplication::processEvents();
    const double shownMs = timer.nsecsElapsed() / 1e6;

    std::printf("rows in grid:            %d (with the spare row)\n", window.quoteGrid()->grid()->RowCount());
    std::printf("load (OnWindowLoad):     %.1f ms\n", loadedMs);
    std::printf("load and show:           %.1f ms\n", shownMs);
    std::printf("peak RSS:                %.1f MB (%.1f MB before the window)\n", BenchSupport::peakRssMb(), rssBefore);
    return 0;
}
