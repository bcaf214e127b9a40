#pragma once

#include "web/FetchedReply.h"
#include "web/HttpOutcome.h"

#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>

class QNetworkAccessManager;

// The hidden object behind one fetch: it sends one GET with the program's
// request headers through the program's HTTP client, waits while the window
// keeps handling events, and gives the body or nothing. An advertisement
// reply is saved as "ad.jpg", handed to the advertisement handler, and the
// request is sent again.
class frmData : public QObject
{
    Q_OBJECT

public:
    // Shows an advertisement picture, given as the bytes received.
    using AdvertHandler = std::function<void(const QByteArray &picture, const QString &link)>;

    static constexpr int kMaxAdvertsInARow = 3;
    static constexpr qint64 kMaxBodyBytes = qint64(32) * 1024 * 1024;
    static constexpr qint64 kReadBufferBytes = qint64(1024) * 1024; // what Qt may hold unread for us
    static constexpr int kDefaultDeadlineMs = 30000;

    // The network manager is the application's; "ad.jpg" goes into advertFolder.
    frmData(QNetworkAccessManager *network, int deadlineMs, const QString &advertFolder, QObject *parent = nullptr);

    void setAdvertHandler(AdvertHandler handler) { m_advertHandler = std::move(handler); }
    // The body's bytes, one character per byte, or none: a reader of Latin-1
    // lines needs no text copy of twice the size. The URL comes parsed: a
    // caller that sends one long URL again and again parses it once.
    QByteArray GetBytes(const QUrl &url);
    // The same with the reply's headers, and whether the service answered at all.
    FetchedReply GetReply(const QUrl &url);
    // A body's text, as the program reads it: one character per byte.
    static QString textOf(const QByteArray &body) { return QString::fromLatin1(body); }

private:
    HttpResponse transfer(const QUrl &url);
    void showAdvert(const HttpOutcome::Outcome &advert);

    QNetworkAccessManager *Inet1;
    int m_deadlineMs; // every transfer ends by then from its start, trickling or not
    QString m_advertPath;
    AdvertHandler m_advertHandler;
};
