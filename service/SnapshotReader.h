#pragma once

#include "service/ScripQuote.h"

#include <QByteArrayView>
#include <QString>

#include <utility>
#include <vector>

class QJsonObject;

// Reads the market-data provider's snapshots reply: a JSON object keyed by
// symbol, each snapshot holding latestTrade, latestQuote, dailyBar and
// prevDailyBar. Every member may be missing or null; what is missing, null or
// not a number of the documented kind stays blank, never 0.
namespace SnapshotReader {

// A reply longer than this is not read: a batch of snapshots is far shorter.
constexpr qsizetype kMaxReplyBytes = 8 << 20;

struct Result
{
    std::vector<std::pair<QString, ScripQuote>> quotes; // in the reply's order
    QString error;                                      // why nothing was read, in one line
};

// The snapshots of a whole reply. A symbol that maps to null, or that could
// not stand in a quote line (a comma, a line break), gives no quote.
Result read(QByteArrayView json);

// One snapshot's fields: bid and ask from latestQuote, the last price from
// latestTrade, open, high, low and volume from dailyBar, the previous close
// from prevDailyBar.
ScripQuote map(const QJsonObject &snapshot);

// True when symbol can stand as the first field of a quote line and in the
// provider's comma-separated list: printable ASCII without comma or space.
bool isUsableSymbol(QStringView symbol);

} // namespace SnapshotReader
