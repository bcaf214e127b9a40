#include "quotes/QuoteRequest.h"

#include "protocol/QuoteProtocol.h"
#include "web/QueryEncoding.h"

namespace QuoteRequest {

QString url(const QString &baseAddress, QStringView symbolList, bool FirstFetch)
{
    using namespace QuoteProtocol;
    // Built in one buffer: a whole list is some 400,000 characters, and each
    // copy of it costs memory the system must first hand over.
    QString url;
    url.reserve(baseAddress.size() + symbolList.size() + 32);
    url += baseAddress;
    url += u'?' + QLatin1String(kQuotesParameter) + u'=';
    QueryEncoding::appendEncoded(url, symbolList);
    url += u'&' + QLatin1String(kTextParameter) + u'=' + QLatin1String(kOnValue);
    if (FirstFetch)
        url += u'&' + QLatin1String(kFirstFetchParameter) + u'=' + QLatin1String(kOnValue);
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
