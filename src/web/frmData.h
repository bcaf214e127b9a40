#pragma once

#include "web/HttpOutcome.h"

#include <QObject>
#include <QString>
#include <functional>

class QNetworkAccessManager;

// The hidden object behind one fetch: it owns its own HTTP client, sends one
// GET with the program's two request headers, waits while the window keeps
// handling events, and gives the body text or "". An advertisement reply is
// saved as "ad.jpg", handed to the advertisement handler, and the request is
// sent again.
class frmData : public QObject
{
    Q_OBJECT

public:
    // Shows an advertisement whose picture was saved at picturePath; false
    // when it could not be shown.
    using AdvertHandler = std::function<bool(const QString &picturePath, const QString &link)>;

    static constexpr int kMaxAdvertsInARow = 3;
    static constexpr qint64 kMaxBodyBytes = 32 * 1024 * 1024;
    static constexpr int kDefaultDeadlineMs = 30000;
    static const QByteArray kContentType;
    static const QByteArray kUserAgent;

    explicit frmData(QObject *parent = nullptr);

    void setAdvertHandler(AdvertHandler handler) { m_advertHandler = std::move(handler); }
    QString GetData(const QString &url);

    // Every transfer ends by this deadline from its start, trickling or not.
    // Tests shorten it to stay fast.
    static void setDeadlineMs(int milliseconds);
    static int deadlineMs();

private:
    HttpResponse transfer(const QString &url);
    bool showAdvert(const HttpOutcome::Outcome &advert);

    QNetworkAccessManager *Inet1;
    AdvertHandler m_advertHandler;
};
