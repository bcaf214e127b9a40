// Start-up of the main window with a "Scrips.dat" of 1,000 to 32,765 lines:
// the time to a shown window and the peak RSS, medians of ten start-ups. The first fetch answers at
// once with a whole first-fetch reply, copied into fresh memory as the real
// fetch reads the body into a buffer of its own, so that the body's memory counts; its parse and paint are
// timed apart from the rest, and no network wait is counted. Each size runs
// again with an empty reply, which shows the start-up without the first
// refresh's work. Every run is a process of its own, since a process's peak
// RSS never goes down. The sizes take turns, start-up by start-up.
// Run with QT_QPA_PLATFORM=offscreen or on a display.
#include "BenchSupport.h"

#include "watch/SpreadGrid.h"
#include "watch/WatchList.h"
#include "watch/frmTickerloom.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <map>
#include <set>
#include <vector>

namespace {

constexpr int kSizes[] = {1000, 4000, 16000, WatchList::kMaxScrips};
const char kChildOption[] = "--rows";
const char kEmptyOption[] = "--empty";
constexpr int kStarts = 10; // "--starts N" to change

QString symbol(int i)
{
    return QStringLiteral("SYMBOL%1").arg(i, 5, 10, QLatin1Char('0'));
}

bool writeList(const QString &path, int scrips)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    QByteArray bytes;
    for (int i = 1; i <= scrips; ++i)
        bytes += symbol(i).toLatin1() + "\r\n";
    return file.write(bytes) == bytes.size();
}

// What the service answers to a first fetch of the whole list, built line
// by line, so that building it costs no more memory than it holds.
QByteArray firstFetchReply(int scrips)
{
    QByteArray body;
    body.reserve(qsizetype(scrips) * 96);
    for (int i = 1; i <= scrips; ++i) {
        const double ltp = 100 + i % 900 + 0.25;
        body += QStringLiteral("%1,%2,%3,%4,(+0.53%),UP,%5,%6,%7,%8,%9\r\n")
                    .arg(symbol(i))
                    .arg(ltp - 0.05, 0, 'f', 2)
                    .arg(ltp + 0.05, 0, 'f', 2)
                    .arg(ltp, 0, 'f', 2)
                    .arg(ltp + 1, 0, 'f', 2)
                    .arg(ltp - 1, 0, 'f', 2)
                    .arg(100000 + i)
                    .arg(ltp - 0.5, 0, 'f', 2)
                    .arg(ltp - 0.25, 0, 'f', 2)
                    .toLatin1();
    }
    body.squeeze();
    return body;
}

// One start-up; prints one line of key=value figures.
int runChild(int argc, char *argv[], int scrips, bool emptyReply)
{
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Scrips.dat"));
    if (!writeList(path, scrips))
        return 1;
    const QByteArray reply = emptyReply ? QByteArray() : firstFetchReply(scrips);
    const double rssBefore = BenchSupport::peakRssMb();

    QElapsedTimer timer;
    timer.start();
    double fetchCalledMs = 0;
    double fetchReturnedMs = 0;
    frmTickerloom window(path, [&](const QUrl &) {
        fetchCalledMs = timer.nsecsElapsed() / 1e6;
        const QByteArray body(reply.constData(), reply.size());
        fetchReturnedMs = timer.nsecsElapsed() / 1e6;
        return body;
    });
    window.OnWindowLoad();
    const double loadedMs = timer.nsecsElapsed() / 1e6;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    QCoreApplication::processEvents();
    const double shownMs = timer.nsecsElapsed() / 1e6;

    std::printf("rows=%d before_fetch_ms=%.1f fetch_ms=%.1f first_refresh_ms=%.1f shown_ms=%.1f peak_rss_mb=%.1f "
                "rss_before_window_mb=%.1f\n",
                window.quoteGrid()->grid()->rowCount(), fetchCalledMs, fetchReturnedMs - fetchCalledMs,
                loadedMs - fetchReturnedMs, shownMs, BenchSupport::peakRssMb(), rssBefore);
    return 0;
}

// The figures of one start-up in a child process, or none when it failed.
QHash<QByteArray, QByteArray> runInChild(int scrips, bool emptyReply)
{
    QStringList arguments{kChildOption, QString::number(scrips)};
    if (emptyReply)
        arguments.append(kEmptyOption);
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(QCoreApplication::applicationFilePath(), arguments);
    QHash<QByteArray, QByteArray> figures;
    if (!child.waitForFinished(120000) || child.exitCode() != 0)
        return figures;
    for (const QByteArray &pair : child.readAllStandardOutput().trimmed().split(' ')) {
        const qsizetype equals = pair.indexOf('=');
        figures.insert(pair.left(equals), pair.mid(equals + 1));
    }
    return figures;
}

using Runs = QHash<QByteArray, QList<double>>; // each figure, start-up by start-up
using Case = std::pair<int, bool>;             // scrips, and whether the reply is empty

// The start-ups of every case. The cases take turns, one start-up each, so
// that a busy spell of the machine falls on all sizes alike, not on one
// size's ten: the ratio of two sizes then holds still. A case with a failed
// start-up is left out.
std::map<Case, Runs> runCases(const std::vector<Case> &cases, int starts)
{
    std::map<Case, Runs> runs;
    std::set<Case> failed;
    for (int i = 0; i < starts; ++i) {
        for (const Case &one : cases) {
            const QHash<QByteArray, QByteArray> figures =
                failed.count(one) ? QHash<QByteArray, QByteArray>() : runInChild(one.first, one.second);
            if (figures.isEmpty())
                failed.insert(one);
            for (auto it = figures.begin(); it != figures.end(); ++it)
                runs[one][it.key()].append(it.value().toDouble());
        }
    }
    for (const Case &one : failed)
        runs.erase(one);
    return runs;
}

QHash<QByteArray, double> medians(const Runs &runs)
{
    QHash<QByteArray, double> medians;
    for (auto it = runs.begin(); it != runs.end(); ++it) {
        QList<double> values = it.value();
        std::sort(values.begin(), values.end());
        medians.insert(it.key(), values[values.size() / 2]);
    }
    return medians;
}

// The longest list's start-up against the shortest's, with the spare row
// counted as the table counts it: a start-up that grows with the list shows
// as a ratio far above 1.
void printSummary(const QHash<int, double> &shown, const QHash<int, double> &shownEmpty)
{
    constexpr int kShort = kSizes[0];
    constexpr int kLong = WatchList::kMaxScrips;
    if (!shown.contains(kShort) || !shown.contains(kLong))
        return;
    std::printf("summary startup_%d_ms=%.1f startup_%d_ms=%.1f ratio=%.2f empty_reply_%d_ms=%.1f "
                "empty_reply_%d_ms=%.1f empty_reply_ratio=%.2f\n",
                kLong + 1, shown[kLong], kShort + 1, shown[kShort], shown[kLong] / shown[kShort], kLong + 1,
                shownEmpty[kLong], kShort + 1, shownEmpty[kShort], shownEmpty[kLong] / shownEmpty[kShort]);
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 3 && qstrcmp(argv[1], kChildOption) == 0)
        return runChild(argc, argv, QByteArray(argv[2]).toInt(), argc == 4 && qstrcmp(argv[3], kEmptyOption) == 0);

    QCoreApplication app(argc, argv);
    const qsizetype at = app.arguments().indexOf(QStringLiteral("--starts"));
    const int starts = at > 0 && at + 1 < app.arguments().size() ? qMax(1, app.arguments()[at + 1].toInt()) : kStarts;
    std::printf("build %s; medians of %d start-ups, each in a fresh process; times from the window's construction\n",
                BENCH_BUILD_TYPE, starts);
    std::printf("%8s %13s %10s %14s %10s %14s %10s %11s\n", "rows", "before fetch", "fetch", "after fetch", "shown",
                "empty reply", "peak RSS", "RSS before");
    QHash<int, double> shown;      // by size: the time to a shown window
    QHash<int, double> shownEmpty; // the same with an empty first reply
    std::vector<Case> cases;
    for (int scrips : kSizes)
        cases.insert(cases.end(), {{scrips, false}, {scrips, true}});
    const std::map<Case, Runs> runs = runCases(cases, starts);
    for (int scrips : kSizes) {
        if (!runs.count({scrips, false}) || !runs.count({scrips, true})) {
            std::printf("%8d failed\n", scrips);
            continue;
        }
        const QHash<QByteArray, double> full = medians(runs.at({scrips, false}));
        const QHash<QByteArray, double> empty = medians(runs.at({scrips, true}));
        shown.insert(scrips, full.value("shown_ms"));
        shownEmpty.insert(scrips, empty.value("shown_ms"));
        std::printf("%8.0f %10.1f ms %7.1f ms %11.1f ms %7.1f ms %11.1f ms %7.1f MB %8.1f MB\n", full.value("rows"),
                    full.value("before_fetch_ms"), full.value("fetch_ms"), full.value("first_refresh_ms"),
                    full.value("shown_ms"), empty.value("shown_ms"), full.value("peak_rss_mb"),
                    full.value("rss_before_window_mb"));
    }
    std::printf("rows count the spare row; \"fetch\" is the body copied into a fresh buffer, with no network wait;\n"
                "\"after fetch\" is the first refresh's parse and paint; \"shown\" includes everything;\n"
                "\"empty reply\" is the time to a shown window when the first fetch answers nothing\n");
    printSummary(shown, shownEmpty);
    return 0;
}
