#include "quotes/QuoteRequest.h"

#include "protocol/QuoteProtocol.h"
#include "web/QueryEncoding.h"

namespace QuoteRequest {
namespace {

// Hands take the pieces of the watch-list string that make the list as the
// request sends it: each doubled comma loses one comma, as
// QString::replace(",,", ",") takes the pairs, in one pass from the left.
// The pieces stand in the string: nothing is copied.
template <typename Take> void forEachListPiece(QStringView watchList, Take &&take)
{
    qsizetype start = 0;
    for (qsizetype i = 0; i + 1 < watchList.size(); ++i) {
        if (watchList[i] != u',' || watchList[i + 1] != u',')
            continue;
        take(watchList.sliced(start, i + 1 - start)); // up to the pair's first comma
        start = i + 2;
        ++i;
    }
    take(watchList.sliced(start));
}

// The list with each pair of commas made one, as forEachListPiece takes
// them, written straight into the end of out: a list that needs no encoding,
// the usual kind, is one pass.
void appendPairsAsOne(QString &out, QStringView watchList)
{
    const qsizetype start = out.size();
    out.resize(start + watchList.size()); // within the room reserved for the URL
    QChar *at = out.data() + start;
    bool afterLoneComma = false;
    for (const QChar c : watchList) {
        const bool comma = c == u',';
        if (!(comma && afterLoneComma))
            *at++ = c;
        afterLoneComma = comma && !afterLoneComma; // the pair's second comma pairs with nothing after it
    }
    out.resize(at - out.constData());
}

// Built in one buffer of the given length at least: a whole list is some
// 400,000 characters, and each copy of it costs memory the system must first
// hand over. appendList appends the list, encoded.
template <typename AppendList>
QString urlOf(const QString &baseAddress, qsizetype listLength, bool FirstFetch, AppendList &&appendList)
{
    using namespace QuoteProtocol;
    QString url;
    url.reserve(baseAddress.size() + listLength + 32);
    url += baseAddress;
    url += u'?' + QLatin1String(kQuotesParameter) + u'=';
    appendList(url);
    url += u'&' + QLatin1String(kTextParameter) + u'=' + QLatin1String(kOnValue);
    if (FirstFetch)
        url += u'&' + QLatin1String(kFirstFetchParameter) + u'=' + QLatin1String(kOnValue);
    return url;
}

} // namespace

QString url(const QString &baseAddress, QStringView symbolList, bool FirstFetch)
{
    return urlOf(baseAddress, symbolList.size(), FirstFetch,
                 [symbolList](QString &url) { QueryEncoding::appendEncoded(url, symbolList); });
}

QString watchListUrl(const QString &baseAddress, QStringView watchList, bool FirstFetch)
{
    return urlOf(baseAddress, watchList.size(), FirstFetch, [watchList](QString &url) {
        if (QueryEncoding::staysAsItIs(watchList))
            appendPairsAsOne(url, watchList);
        else
            forEachListPiece(watchList, [&url](QStringView piece) { QueryEncoding::appendEncoded(url, piece); });
    });
}

QString listFromWatchList(const QString &watchList)
{
    if (watchList.isEmpty())
        return watchList;
    QString list;
    list.reserve(watchList.size());
    forEachListPiece(watchList, [&list](QStringView piece) { list += piece; });
    return list;
}

} // namespace QuoteRequest
