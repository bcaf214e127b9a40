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

// The request's text from start on: "scr=", the list, "&tl=1", and "&ft=1"
// on a first fetch. Built in one buffer of the given length at least: a whole
// list is some 400,000 characters, and each copy of it costs memory the
// system must first hand over. appendList appends the list, encoded.
template <typename AppendList>
QString requestText(QStringView start, qsizetype listLength, bool FirstFetch, AppendList &&appendList)
{
    using namespace QuoteProtocol;
    QString text;
    text.reserve(start.size() + listLength + 32);
    text += start;
    text += QLatin1String(kQuotesParameter) + u'=';
    appendList(text);
    text += u'&' + QLatin1String(kTextParameter) + u'=' + QLatin1String(kOnValue);
    if (FirstFetch)
        text += u'&' + QLatin1String(kFirstFetchParameter) + u'=' + QLatin1String(kOnValue);
    return text;
}

} // namespace

QString url(const QString &baseAddress, QStringView symbolList, bool FirstFetch)
{
    return requestText(QString(baseAddress + u'?'), symbolList.size(), FirstFetch,
                       [symbolList](QString &text) { QueryEncoding::appendEncoded(text, symbolList); });
}

QUrl watchListUrl(const QString &baseAddress, QStringView watchList, bool FirstFetch)
{
    const auto appendList = [watchList](QString &text) {
        if (QueryEncoding::staysAsItIs(watchList))
            appendPairsAsOne(text, watchList);
        else
            forEachListPiece(watchList, [&text](QStringView piece) { QueryEncoding::appendEncoded(text, piece); });
    };
    QUrl url(baseAddress);
    // A base that has a query or a fragment of its own is read whole, as url() reads.
    if (url.hasQuery() || url.hasFragment())
        return QUrl(requestText(QString(baseAddress + u'?'), watchList.size(), FirstFetch, appendList));
    // The address keeps the query it is given, where parsing a whole address
    // would copy the list out of it once more.
    url.setQuery(requestText(QStringView(), watchList.size(), FirstFetch, appendList));
    return url;
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
