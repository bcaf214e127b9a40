#pragma once

#include <QString>
#include <QUrl>

// Builds the quote request: base address, "?scr=", the list, "&tl=1", and
// "&ft=1" on a row's first fetch (which brings OPEN and P.CLOSE too).
namespace QuoteRequest {

QString url(const QString &baseAddress, QStringView symbolList, bool FirstFetch);

// The watch-list string ",A,,B," as the request sends it: ",A,B,".
QString listFromWatchList(const QString &watchList);

// The request for the watch-list string's list: url() of listFromWatchList(),
// parsed, with no copy of the list between the string and the address.
QUrl watchListUrl(const QString &baseAddress, QStringView watchList, bool FirstFetch);

} // namespace QuoteRequest
