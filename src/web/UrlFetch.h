#pragma once

#include "web/FetchedReply.h"

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>

// A fetch as its callers hold it, whatever carries it out: the program's
// HTTP fetch, or a test's script. Widget-free, so that the quote refresh and
// the search hold one without the advertisement window.

// URL in, reply body text out, "" on any failure.
using UrlFetch = std::function<QString(const QString &url)>;
// The same, of a parsed URL, giving the body's bytes, none on any failure,
// and the reply's headers.
using UrlBytesFetch = std::function<FetchedReply(const QUrl &url)>;

// A bytes fetch read as text, one character per byte, as the fetch reads a body.
UrlFetch textFetchOf(UrlBytesFetch fetch);
