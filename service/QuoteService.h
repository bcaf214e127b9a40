#pragma once

#include "protocol/QuoteProtocol.h"
#include "service/ActivityClock.h"
#include "service/Catalogue.h"
#include "service/QuoteSource.h"
#include "service/ServiceRequest.h"
#include "service/ServiceSettings.h"

#include <QHttpServerResponse>
#include <QObject>

#include <atomic>
#include <memory>
#include <vector>

class HttpWorker;
class QHttpServerRequest;
class QHttpServerResponder;
class ServiceListener;
class SimulatedSource;

// The quote service: answers GET /quote on 127.0.0.1 from its quote source
// (the simulated market unless it is given another), and now and then with an
// advertisement picture instead. Requests are taken in and answered on worker
// threads, one per processor core.
class QuoteService : public QObject
{
    Q_OBJECT

public:
    // Answers from the simulated market.
    explicit QuoteService(const ServiceSettings &settings, QObject *parent = nullptr);
    // Answers from source.
    QuoteService(const ServiceSettings &settings, std::unique_ptr<QuoteSource> source, QObject *parent = nullptr);
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

    QuoteSource &source() { return *m_source; }
    // The simulated market's catalogue; only with the simulated market.
    const Catalogue &catalogue() const;
    // When bytes last moved on a connection. Safe to use from any thread.
    ActivityClock &activity() { return m_activity; }

    // For tests and benchmarks, with the simulated market: its clock stands
    // still at ms after the opening; a negative ms lets it run again.
    void setMarketTime(qint64 ms);

private:
    static QHttpServerResponse refusal(const QString &reason, QHttpServerResponse::StatusCode status);
    static QHttpServerResponse plainText(QByteArray body);
    QHttpServerResponse answerData(const ServiceRequest &request);
    QHttpServerResponse quotes(const ServiceRequest &request);
    QHttpServerResponse advert() const;
    bool advertDue();
    quint16 serve(ServiceListener *listener);
    void handOn(qintptr descriptor);

    ServiceSettings m_settings;
    std::unique_ptr<QuoteSource> m_source;
    SimulatedSource *m_simulated = nullptr; // m_source, when it is the simulated market
    QByteArray m_advertJpeg;                // drawn once, only when advertisements are on
    std::atomic<qint64> m_answered{0};      // well-formed requests so far
    ActivityClock m_activity;
    ServiceListener *m_listener = nullptr; // a child
    std::vector<std::unique_ptr<HttpWorker>> m_workers;
    size_t m_nextWorker = 0; // connections are dealt to the workers in turn
    QString m_error;
};
