#include "quotes/QuoteRequest.h"

#include "web/QueryEncoding.h"

namespace QuoteRequest {

QString url(const QString &baseAddress, QStringView symbolList, bool FirstFetch)
{
    QString url = baseAddress + QStringLiteral("?scr=") + QueryEncoding::encode(symbolList) + QStringLiteral("&tl=1");
    if (FirstFetch)
        url += QStringLiteral("&ft=1");
    return url;
}

QString listFromWatchList(const QString &watchList)
{
    return QString(watchList).replace(QStringLiteral(",,"), QStringLiteral(","));
}

} // namespace QuoteRequest
