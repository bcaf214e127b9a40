// One timer refresh of 32,765 rows from a 32,765-line reply, every price
// changed, without the network: the whole refresh (parse, match, write the
// grid's model) against a floor that reads the reply once, the same refresh
// after a hundred more in one process, and the heap allocations it makes.
// The last line is for scripts:
//   summary refresh_ms=X floor_ms=Y ratio=Z drift=W allocs_per_refresh=N
// "bench_refresh --runs 2 --ageing 0" keeps a profiler's run short.
#include "AllocationCount.h"
#include "BenchSupport.h"

#include "quotes/QuoteRefresher.h"
#include "watch/GridModel.h"
#include "watch/QuoteGridColumns.h"
#include "watch/TrendPictures.h"
#include "watch/WatchList.h"

#include <QGuiApplication>
#include <charconv>
#include <cstring>

namespace {

constexpr int kScrips = WatchList::kMaxScrips;
constexpr int kTimedRuns = 20;
constexpr int kAgeingRuns = 100;

// The value after option in the arguments, or fallback.
int option(const QStringList &arguments, const QString &option, int fallback)
{
    const qsizetype at = arguments.indexOf(option);
    return at >= 0 && at + 1 < arguments.size() ? arguments[at + 1].toInt() : fallback;
}

QString symbol(int i)
{
    return QStringLiteral("SYM%1").arg(i, 5, 10, QLatin1Char('0'));
}

// The reply of a timer refresh in grid order; odd and even rounds move every
// price in opposite directions, so every row changes colour each time.
QString reply(int round)
{
    QString body;
    for (int i = 0; i < kScrips; ++i) {
        const double ltp = 100 + i % 900 + (round % 2 ? 0.35 : -0.35);
        body += QStringLiteral("%1,%2,%3,%4,(%5%),UP,%6,%7,%8\r\n")
                    .arg(symbol(i))
                    .arg(ltp - 0.05, 0, 'f', 2)
                    .arg(ltp + 0.05, 0, 'f', 2)
                    .arg(ltp, 0, 'f', 2)
                    .arg(round % 2 ? "+0.35" : "-0.35")
                    .arg(ltp + 1, 0, 'f', 2)
                    .arg(ltp - 1, 0, 'f', 2)
                    .arg(100000 + i);
    }
    return body;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    const int timedRuns = qMax(1, option(app.arguments(), QStringLiteral("--runs"), kTimedRuns));
    const int ageingRuns = qMax(0, option(app.arguments(), QStringLiteral("--ageing"), kAgeingRuns));
    GridModel grid(QuoteGridColumns::specs());
    const int up = grid.addPicture(TrendPictures::up());
    const int down = grid.addPicture(TrendPictures::down());
    QString watchList;
    grid.setRowCount(kScrips + 1);
    for (int i = 0; i < kScrips; ++i) {
        grid.setText(i + 1, QuoteGridColumns::Symbol, symbol(i));
        watchList += u',' + symbol(i) + u',';
    }
    const QByteArray replyBytes[2] = {reply(0).toLatin1(), reply(1).toLatin1()};
    int round = 0;
    QuoteRefresher refresher(
        &grid, [&](const QUrl &) { return replyBytes[round % 2]; }, up, down);
    refresher.RefreshQuotes(watchList, true);
    const auto refresh = [&] {
        ++round;
        refresher.RefreshQuotes(watchList, false);
    };

    // Floor and refresh runs take turns, so that both meet the machine in the
    // same state: on a shared machine its speed changes from second to second.
    double sink = 0;
    const auto measure = [&](BenchSupport::Samples &floor, BenchSupport::Samples &refreshes) {
        unsigned long long allocations = 0;
        for (int i = 0; i < timedRuns; ++i) {
            floor.time([&] { sink += BenchSupport::floorPass(replyBytes[round % 2]); });
            refreshes.time([&] {
                const unsigned long long before = AllocationCount::total();
                refresh();
                allocations += AllocationCount::total() - before;
            });
        }
        return double(allocations) / timedRuns;
    };
    BenchSupport::Samples floor;
    BenchSupport::Samples first;
    const double firstAllocations = measure(floor, first);
    for (int i = 0; i < ageingRuns; ++i)
        refresh();
    BenchSupport::Samples agedFloor;
    BenchSupport::Samples aged;
    const double agedAllocations = measure(agedFloor, aged);

    const double ratio = first.median() / floor.median();
    const double drift = aged.median() / first.median();
    const double driftAgainstFloor = (aged.median() / agedFloor.median()) / ratio;
    std::printf("build %s; rows %d; reply %lld bytes; medians of %d runs (fastest in brackets)\n", BENCH_BUILD_TYPE,
                kScrips, static_cast<long long>(replyBytes[0].size()), timedRuns);
    std::printf("floor (one pass over the bytes, from_chars):  %7.2f ms (%5.2f)%s\n", floor.median(), floor.fastest(),
                sink < 0 ? " " : "");
    std::printf("whole refresh (parse, match, write):          %7.2f ms (%5.2f)   refresh/floor = %.2f\n",
                first.median(), first.fastest(), ratio);
    std::printf("after %3d more refreshes:                     %7.2f ms (%5.2f)   drift = %.2f\n", ageingRuns,
                aged.median(), aged.fastest(), drift);
    std::printf("  the floor alongside them:                   %7.2f ms (%5.2f)   drift against it = %.2f\n",
                agedFloor.median(), agedFloor.fastest(), driftAgainstFloor);
    std::printf("allocations per refresh:                      %9.1f   (%.3f per row; %.1f after the %d more)\n",
                firstAllocations, firstAllocations / kScrips, agedAllocations, ageingRuns);
    std::printf("peak RSS:                                     %7.1f MB\n", BenchSupport::peakRssMb());
    std::printf("summary refresh_ms=%.2f floor_ms=%.2f ratio=%.2f drift=%.2f allocs_per_refresh=%.0f\n", first.median(),
                floor.median(), ratio, drift, firstAllocations);
    return 0;
}
