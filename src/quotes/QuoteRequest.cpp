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
    if (watchList.isEmpty())
        return watchList;
    // As QString::replace(",,", ",") does it, in one pass from left to right,
    // but in a single copy: the list may hold 32,765 scrips.
    QString list(watchList.size(), Qt::Uninitialized);
    QChar *out = list.data();
    const QChar *in = watchList.constData();
    const QChar *const end = in + watchList.size();
    while (in < end) {
        const bool doubleComma = *in == u',' && in + 1 < end && in[1] == u',';
        *out++ = *in;
        in += doubleComma ? 2 : 1;
    }
    list.truncate(out - list.constData());
    return list;
}

} // namespace QuoteRequest
