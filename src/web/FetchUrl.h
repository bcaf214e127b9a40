#pragma once

#include "web/UrlFetch.h"
#include "web/frmData.h"

#include <QString>

class QNetworkAccessManager;

// What every fetch needs from the application that runs it.
struct FetchSettings
{
    QNetworkAccessManager *network = nullptr;     // the application's HTTP client, on the window's thread
    int deadlineMs = frmData::kDefaultDeadlineMs; // each transfer ends by then from its start
    QString advertFolder;                         // where "ad.jpg" is written
};

// Fetches a URL with one HTTP GET and returns the reply body text, or "" on
// any failure; an advertisement on the way opens its window and the data still
// arrives. Nothing escapes it.
QString FetchUrl(const FetchSettings &settings, const QString &url);

// The same fetch of a parsed URL, giving the body's bytes, one character per
// byte, or none on any failure: a reader of Latin-1 lines reads them without
// a text copy, and a long URL sent again and again is parsed once. The
// reply's headers come with them.
FetchedReply FetchUrlBytes(const FetchSettings &settings, const QUrl &url);
