// One timer refresh of 32,765 rows as the program makes it, through a real
// socket: the request sent, the 2 MB reply read by the program's own fetch,
// its lines matched to the grid's rows and painted into
// the grid's model. A local HTTP server in a child process answers every
// request at once with a prepared reply of the demo service's line format
// and a Content-Length, odd and even requests moving every price in opposite
// directions; being another process, its CPU time is not counted.
//
// The figure is the CPU time of this process (every thread of it: Qt reads
// the socket on a thread of its own) per refresh, against a floor that reads
// the reply's bytes once, as bench_refresh's floor does. The last line is
// for scripts:
//   summary whole_refresh_ms=X floor_ms=Y ratio=Z
// "bench_whole_refresh --runs 3" keeps a profiler's run short.
// Run with QT_QPA_PLATFORM=offscreen or on a display.
#include "BenchSupport.h"

#include "quotes/QuoteRefresher.h"
#include "watch/GridModel.h"
#include "watch/QuoteGridColumns.h"
#include "watch/TrendPictures.h"
#include "watch/WatchList.h"
#include "web/frmData.h"

#include <QDir>
#include <QGuiApplication>
#include <QNetworkAccessManager>
#include <QProcess>
#include <QTcpServer>
#include <QTcpSocket>
#include <charconv>
#include <cstring>
#include <ctime>

namespace {

constexpr int kScrips = WatchList::kMaxScrips;
constexpr int kTimedRuns = 30;
const char kServeOption[] = "--serve";

// The value after option in the arguments, or fallback.
int option(const QStringList &arguments, const QString &option, int fallback)
{
    const qsizetype at = arguments.indexOf(option);
    return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1].toInt() : fallback;
}

double cpuMs(clockid_t clock)
{
    timespec now{};
    clock_gettime(clock, &now);
    return now.tv_sec * 1e3 + now.tv_nsec / 1e6;
}

QString symbol(int i)
{
    return QStringLiteral("SYM%1").arg(i, 5, 10, QLatin1Char('0'));
}

// A timer refresh's reply in grid order, as the demo service writes it.
QByteArray replyBody(int round)
{
    QByteArray body;
    body.reserve(qsizetype(kScrips) * 72);
    for (int i = 0; i < kScrips; ++i) {
        const double ltp = 100 + i % 900 + (round % 2 ? 0.35 : -0.35);
        body += QStringLiteral("%1,%2,%3,%4,(%5%),%6,%7,%8,%9\r\n")
                    .arg(symbol(i))
                    .arg(ltp - 0.05, 0, 'f', 2)
                    .arg(ltp + 0.05, 0, 'f', 2)
                    .arg(ltp, 0, 'f', 2)
                    .arg(round % 2 ? "+0.35" : "-0.35")
                    .arg(round % 2 ? "UP" : "DOWN")
                    .arg(ltp + 1, 0, 'f', 2)
                    .arg(ltp - 1, 0, 'f', 2)
                    .arg(100000 + i)
                    .toLatin1();
    }
    return body;
}

QByteArray httpReply(const QByteArray &body)
{
    return "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: " + QByteArray::number(body.size()) +
           "\r\n\r\n" + body;
}

// The child: answers every GET on a kept-alive connection with the next of
// the two prepared replies, and prints its port for the parent.
int serve(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QByteArray replies[2] = {httpReply(replyBody(0)), httpReply(replyBody(1))};
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost))
        return 1;
    int answered = 0;
    QObject::connect(&server, &QTcpServer::newConnection, [&] {
        QTcpSocket *socket = server.nextPendingConnection();
        auto request = std::make_shared<QByteArray>();
        QObject::connect(socket, &QTcpSocket::readyRead, socket, [&, socket, request] {
            request->append(socket->readAll());
            for (qsizetype end; (end = request->indexOf("\r\n\r\n")) >= 0;) {
                request->remove(0, end + 4);
                socket->write(replies[answered++ % 2]);
            }
        });
        QObject::connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    });
    std::printf("%d\n", server.serverPort());
    std::fflush(stdout);
    return app.exec();
}

// Starts the server's process; its port, or 0 when it did not start.
quint16 startServer(QProcess &server)
{
    server.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    server.start(QCoreApplication::applicationFilePath(), {kServeOption});
    if (!server.waitForReadyRead(60000))
        return 0;
    return quint16(server.readLine().trimmed().toUInt());
}

// One measured piece of work, each time: the CPU time of the process and of
// this thread, and the wall time, in milliseconds.
struct CpuSamples
{
    BenchSupport::Samples process;
    BenchSupport::Samples thread;
    BenchSupport::Samples wall;

    template <typename Run> void time(Run &&run)
    {
        const double processBefore = cpuMs(CLOCK_PROCESS_CPUTIME_ID);
        const double threadBefore = cpuMs(CLOCK_THREAD_CPUTIME_ID);
        wall.time(run);
        thread.add(cpuMs(CLOCK_THREAD_CPUTIME_ID) - threadBefore);
        process.add(cpuMs(CLOCK_PROCESS_CPUTIME_ID) - processBefore);
    }
};

} // namespace

int main(int argc, char *argv[])
{
    if (argc >= 2 && qstrcmp(argv[1], kServeOption) == 0)
        return serve(argc, argv);
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const int timedRuns = qMax(1, option(app.arguments(), QStringLiteral("--runs"), kTimedRuns));
    QProcess serverProcess;
    const quint16 port = startServer(serverProcess);
    if (port == 0) {
        std::fprintf(stderr, "the server did not start\n");
        return 1;
    }
    qputenv("TICKERLOOM_SERVICE_URL", QByteArray("http://127.0.0.1:") + QByteArray::number(port) + "/quote");

    GridModel grid(QuoteGridColumns::specs());
    const int up = grid.addPicture(TrendPictures::up());
    const int down = grid.addPicture(TrendPictures::down());
    QString watchList;
    grid.setRowCount(kScrips + 1);
    for (int i = 0; i < kScrips; ++i) {
        grid.setText(i + 1, QuoteGridColumns::Symbol, symbol(i));
        watchList += u',' + symbol(i) + u',';
    }
    const QByteArray replyBytes[2] = {replyBody(0), replyBody(1)};
    QNetworkAccessManager network; // the application's, as the program owns one
    QuoteRefresher refresher(
        &grid,
        [&network](const QUrl &url) {
            frmData data(&network, frmData::kDefaultDeadlineMs, QDir::tempPath());
            return data.GetBytes(url);
        },
        up, down);
    refresher.RefreshQuotes(watchList, true);
    const auto refresh = [&] {
        refresher.RefreshQuotes(watchList, false);
        // The finished reply goes as the program's own event loop would let it go.
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    refresh(); // the connection is open and every row coloured from here on
    if (grid.text(1, QuoteGridColumns::Ltp).isEmpty()) {
        std::fprintf(stderr, "the refresh painted nothing\n");
        return 1;
    }

    // Floor and refresh runs take turns, so that both meet the machine in the
    // same state: on a shared machine its speed changes from second to second.
    double sink = 0;
    CpuSamples floor;
    CpuSamples refreshes;
    for (int i = 0; i < timedRuns; ++i) {
        floor.time([&] { sink += BenchSupport::floorPass(replyBytes[i % 2]); });
        refreshes.time(refresh);
    }
    serverProcess.kill();
    serverProcess.waitForFinished();

    const double ratio = refreshes.process.median() / floor.thread.median();
    std::printf("build %s; rows %d; reply %lld bytes; CPU times, medians of %d runs (fastest in brackets)\n",
                BENCH_BUILD_TYPE, kScrips, static_cast<long long>(replyBytes[0].size()), timedRuns);
    std::printf("floor (one pass over the bytes, from_chars):     %7.2f ms (%5.2f)%s\n", floor.thread.median(),
                floor.thread.fastest(), sink < 0 ? " " : "");
    std::printf("whole refresh, every thread of the program:      %7.2f ms (%5.2f)   whole/floor = %.2f\n",
                refreshes.process.median(), refreshes.process.fastest(), ratio);
    std::printf("  of it on the program's own thread:             %7.2f ms (%5.2f)\n", refreshes.thread.median(),
                refreshes.thread.fastest());
    std::printf("  wall time, the server's work and waits included: %5.2f ms (%5.2f)\n", refreshes.wall.median(),
                refreshes.wall.fastest());
    std::printf("peak RSS:                                        %7.1f MB\n", BenchSupport::peakRssMb());
    std::printf("summary whole_refresh_ms=%.2f floor_ms=%.2f ratio=%.2f\n", refreshes.process.median(),
                floor.thread.median(), ratio);
    return 0;
}
