#pragma once

#include "protocol/QuoteProtocol.h"
#include "service/ActivityClock.h"
#include "service/Catalogue.h"
#include "service/Market.h"
#include "service/ServiceRequest.h"
#include "service/ServiceSettings.h"

#include <QElapsedTimer>
#include <QHttpServerResponse>
#include <QObject>

#include <atomic>
#include <memory>
#include <vector>

class HttpWorker;
class QHttpServerRequest;
class QHttpServerResponder;
class ServiceListener;

// The demo quote service: answers GET /quote on 127.0.0.1 from a simulated
// market, and now and then with an advertisement picture instead. Requests
// are taken in and answered on worker threads, one per processor core.
class QuoteService : public QObject
{
    Q_OBJECT

public:
    explicit QuoteService(const ServiceSettings &settings, QObject *parent = nullptr);
    ~QuoteService() override;

    // Listens on 127.0.0.1:port (0 picks a free port). Returns the port, or 0
    // with errorString() set.
    quint16 listen(quint16 port);
    // Listens on a socket that is listening already, such as one systemd
    // hands over; the service takes it over. Returns its port, or 0 with
    // errorString() set.
    quint16 listenOn(qintptr listeningDescriptor);
    QString errorString() const { return m_error; }
    // "http://127.0.0.1:<port>/quote" once listening.
    QString baseAddress() const;

    // The reply to one "/quote" query, given in its percent-encoded form.
    // Safe to call from several threads at once.
    QHttpServerResponse answer(QStringView encodedQuery);
    // Answers any other request: 405 on the path, 404 elsewhere.
    static void answerOther(const QHttpServerRequest &request, QHttpServerResponder &&responder);

    const Catalogue &catalogue() const { return m_catalogue; }
    // When bytes last moved on a connection. Safe to use from any thread.
    ActivityClock &activity() { return m_activity; }

    // For tests and benchmarks: the market's clock stands still at ms after
    // the opening; a negative ms lets it run again.
    void setMarketTime(qint64 ms) { m_standingMs = ms; }

private:
    static Catalogue makeCatalogue(const ServiceSettings &settings);
    static QHttpServerResponse refusal(const QString &reason, QHttpServerResponse::StatusCode status);
    static QHttpServerResponse plainText(QByteArray body);
    QHttpServerResponse answerData(const ServiceRequest &request);
    QHttpServerResponse quotes(const ServiceRequest &request);
    QHttpServerResponse advert() const;
    bool advertDue();
    qint64 marketTimeMs() const;
    quint16 serve(ServiceListener *listener);
    void handOn(qintptr descriptor);

    ServiceSettings m_settings;
    Catalogue m_catalogue;
    Market m_market;
    QElapsedTimer m_clock;                // the market opened when the service started
    std::atomic<qint64> m_standingMs{-1}; // the clock's stopped time, or -1
    QByteArray m_advertJpeg;              // drawn once, only when advertisements are on
    std::atomic<qint64> m_answered{0};    // well-formed requests so far
    ActivityClock m_activity;
    ServiceListener *m_listener = nullptr; // a child
    std::vector<std::unique_ptr<HttpWorker>> m_workers;
    size_t m_nextWorker = 0; // connections are dealt to the workers in turn
    QString m_error;
};
