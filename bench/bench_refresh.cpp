// One timer refresh of 32,765 rows from a 32,765-line reply, every price
// changed, without the network: the whole refresh (parse, match, paint into
// the grid's model), a floor (split and convert only), and the same refresh
// with a walk through the records for every row.
#include "BenchSupport.h"

#include "quotes/NumberRules.h"
#include "quotes/QuoteIndex.h"
#include "quotes/QuoteRefresher.h"
#include "quotes/QuoteReply.h"
#include "watch/GridModel.h"
#include "watch/QuoteGridColumns.h"
#include "watch/TrendPictures.h"

#include <QGuiApplication>

namespace {

constexpr int kScrips = 32765;

QString symbol(int i)
{
    return QStringLiteral("SYM%1").arg(i, 5, 10, QLatin1Char('0'));
}

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

// Splits into lines and fields and converts every number; builds nothing.
double floorPass(const QString &body)
{
    double sum = 0;
    qsizetype start = 0;
    while (start < body.size()) {
        qsizetype end = body.indexOf(u"\r\n", start);
        if (end < 0)
            end = body.size();
        const QStringView line = QStringView(body).mid(start, end - start);
        int position = 0;
        for (QStringView field : line.tokenize(u',')) {
            if (position == 4)
                sum += NumberRules::parseChange(field).value_or(0);
            else if (position == 8)
                sum += NumberRules::parseInteger(field).value_or(0);
            else if (position != 0 && position != 5)
                sum += NumberRules::parseNumber(field).value_or(0);
            ++position;
        }
        start = end + 2;
    }
    return sum;
}

} // namespace

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    GridModel grid(QuoteGridColumns::specs());
    const int up = grid.addPicture(TrendPictures::up());
    const int down = grid.addPicture(TrendPictures::down());
    QString watchList;
    grid.setRowCount(kScrips + 1);
    for (int i = 0; i < kScrips; ++i) {
        grid.setText(i + 1, QuoteGridColumns::Symbol, symbol(i));
        watchList += u',' + symbol(i) + u',';
    }
    const QString replies[2] = {reply(0), reply(1)};
    int round = 0;
    QuoteRefresher refresher(
        &grid, [&](const QString &) { return replies[round % 2]; }, up, down);
    refresher.RefreshQuotes(watchList, true);

    const double whole = BenchSupport::medianMs(9, [&] {
        ++round;
        refresher.RefreshQuotes(watchList, false);
    });
    double sink = 0;
    const double floor = BenchSupport::medianMs(9, [&] { sink += floorPass(replies[++round % 2]); });
    const double walked = BenchSupport::medianMs(3, [&] {
        const auto records = QuoteReply::parse(replies[++round % 2], false);
        for (int row = 1; row <= kScrips; ++row)
            refresher.paintRow(row, QuoteIndex::FindQuote(records, grid.text(row, QuoteGridColumns::Symbol)), false);
    });

    std::printf("rows %d, reply %lld characters\n", kScrips, static_cast<long long>(replies[0].size()));
    std::printf("whole refresh (parse, match, paint): %8.1f ms\n", whole);
    std::printf("floor (split and convert only):      %8.1f ms   whole/floor = %.2f\n", floor, whole / floor);
    std::printf("walk per row, as first designed:     %8.1f ms   walk/whole  = %.1f\n", walked, walked / whole);
    std::printf("peak RSS:                            %8.1f MB%s\n", BenchSupport::peakRssMb(), sink < 0 ? " " : "");
    return 0;
}
