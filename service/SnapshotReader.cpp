#include "service/SnapshotReader.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonParseError>
#include <QJsonValue>

#include <cmath>

namespace SnapshotReader {
namespace {

constexpr qsizetype kMaxSymbolLength = 32;
constexpr double kMaxPrice = 1e12; // beyond any share price, and far inside 64-bit cents
constexpr double kMaxVolume = 9e18;

// A price: a positive, finite JSON number. A string, even of digits, is not
// what the provider documents, and a wrong price is worse than none.
qint64 cents(const QJsonValue &value)
{
    if (!value.isDouble())
        return ScripQuote::kBlank;
    const double price = value.toDouble();
    if (!std::isfinite(price) || price <= 0 || price > kMaxPrice)
        return ScripQuote::kBlank;
    return qint64(std::llround(price * 100));
}

qint64 shares(const QJsonValue &value)
{
    if (!value.isDouble())
        return ScripQuote::kBlank;
    const double volume = value.toDouble();
    if (!std::isfinite(volume) || volume < 0 || volume > kMaxVolume || volume != std::floor(volume))
        return ScripQuote::kBlank;
    return qint64(volume);
}

// The member as an object; null, missing or of another kind is an empty one.
QJsonObject part(const QJsonObject &snapshot, QLatin1StringView name)
{
    return snapshot.value(name).toObject();
}

} // namespace

Result read(QByteArrayView json)
{
    Result result;
    if (json.size() > kMaxReplyBytes) {
        result.error = QStringLiteral("the reply is longer than %1 bytes").arg(kMaxReplyBytes);
        return result;
    }
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(json.toByteArray(), &parseError);
    if (parseError.error != QJsonParseError::NoError) {
        result.error =
            QStringLiteral("the reply is not JSON: %1 at byte %2").arg(parseError.errorString()).arg(parseError.offset);
        return result;
    }
    if (!document.isObject()) {
        result.error = QStringLiteral("the reply is not a JSON object of snapshots");
        return result;
    }
    const QJsonObject snapshots = document.object();
    result.quotes.reserve(size_t(snapshots.size()));
    for (auto it = snapshots.constBegin(); it != snapshots.constEnd(); ++it) {
        if (!it.value().isObject() || !isUsableSymbol(it.key()))
            continue;
        result.quotes.emplace_back(it.key(), map(it.value().toObject()));
    }
    return result;
}

ScripQuote map(const QJsonObject &snapshot)
{
    const QJsonObject trade = part(snapshot, QLatin1StringView("latestTrade"));
    const QJsonObject quote = part(snapshot, QLatin1StringView("latestQuote"));
    const QJsonObject today = part(snapshot, QLatin1StringView("dailyBar"));
    const QJsonObject yesterday = part(snapshot, QLatin1StringView("prevDailyBar"));
    ScripQuote mapped;
    mapped.bidCents = cents(quote.value(QLatin1StringView("bp")));
    mapped.askCents = cents(quote.value(QLatin1StringView("ap")));
    mapped.lastCents = cents(trade.value(QLatin1StringView("p")));
    mapped.openCents = cents(today.value(QLatin1StringView("o")));
    mapped.highCents = cents(today.value(QLatin1StringView("h")));
    mapped.lowCents = cents(today.value(QLatin1StringView("l")));
    mapped.volume = shares(today.value(QLatin1StringView("v")));
    mapped.prevCloseCents = cents(yesterday.value(QLatin1StringView("c")));
    return mapped;
}

bool isUsableSymbol(QStringView symbol)
{
    if (symbol.isEmpty() || symbol.size() > kMaxSymbolLength)
        return false;
    for (QChar c : symbol) {
        if (c.unicode() <= 0x20 || c.unicode() >= 0x7F || c == u',')
            return false;
    }
    return true;
}

} // namespace SnapshotReader
