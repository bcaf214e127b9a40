#pragma once

#include "service/Catalogue.h"
#include "service/Market.h"
#include "service/ServiceRequest.h"
#include "service/ServiceSettings.h"

#include <QElapsedTimer>
#include <QHttpServer>
#include <QObject>

class QTcpServer;

// The demo quote service: answers GET /quote on 127.0.0.1 from a simulated
// market, and now and then with an advertisement picture instead.
class QuoteService : public QObject
{
    Q_OBJECT

public:
    static constexpr char kPath[] = "/quote";

    explicit QuoteService(const ServiceSettings &settings, QObject *parent = nullptr);

    // Listens on 127.0.0.1:port (0 picks a free port). Returns the port, or 0
    // with errorString() set.
    quint16 listen(quint16 port);
    QString errorString() const { return m_error; }
    // "http://127.0.0.1:<port>/quote" once listening.
    QString baseAddress() const;

    // The reply to one "/quote" query, given in its percent-encoded form.
    QHttpServerResponse answer(QStringView encodedQuery);

    const Catalogue &catalogue() const { return m_catalogue; }

private:
    static Catalogue makeCatalogue(const ServiceSettings &settings);
    static QHttpServerResponse badRequest(const QString &reason);
    static QHttpServerResponse plainText(QByteArray body);
    QHttpServerResponse answerData(const ServiceRequest &request);
    QHttpServerResponse advert() const;
    bool advertDue();
    void addRoutes();

    ServiceSettings m_settings;
    Catalogue m_catalogue;
    Market m_market;
    QElapsedTimer m_clock;   // the market opened when the service started
    QByteArray m_advertJpeg; // drawn once, only when advertisements are on
    qint64 m_answered = 0;   // well-formed requests so far
    QHttpServer m_server;
    QTcpServer *m_listener = nullptr; // owned by m_server
    QString m_error;
};
