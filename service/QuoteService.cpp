#include "service/QuoteService.h"

#include "service/AdvertPicture.h"
#include "service/HttpWorker.h"
#include "service/PeerCredentials.h"
#include "service/ProviderLog.h"
#include "service/ReplyBuilder.h"
#include "service/ServiceListener.h"
#include "service/SimulatedSource.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QThread>

#include <algorithm>

#include <unistd.h>

namespace {

const QByteArray kTextType = QByteArrayLiteral("text/plain; charset=ISO-8859-1");
const QByteArray kJpegType = QByteArrayLiteral("image/jpeg");

} // namespace

QuoteService::QuoteService(const ServiceSettings &settings, QObject *parent)
    : QuoteService(settings, std::make_unique<SimulatedSource>(settings), parent)
{
}

QuoteService::QuoteService(const ServiceSettings &settings, std::unique_ptr<QuoteSource> source, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_source(std::move(source))
    , m_simulated(dynamic_cast<SimulatedSource *>(m_source.get()))
{
    if (m_settings.adEvery > 0)
        m_advertJpeg = AdvertPicture::jpeg(m_settings.adLink);
}

QuoteService::~QuoteService()
{
    // No new connections, then no more answers, before the source goes.
    delete m_listener;
    m_workers.clear();
}

quint16 QuoteService::listen(quint16 port)
{
    auto *listener = new ServiceListener([this](qintptr descriptor) { handOn(descriptor); }, this);
    if (!listener->listen(QHostAddress::LocalHost, port)) {
        m_error = listener->errorString();
        delete listener;
        return 0;
    }
    return serve(listener);
}

quint16 QuoteService::listenOn(qintptr listeningDescriptor)
{
    auto *listener = new ServiceListener([this](qintptr descriptor) { handOn(descriptor); }, this);
    if (!listener->setSocketDescriptor(listeningDescriptor)) {
        m_error = listener->errorString();
        delete listener;
        return 0;
    }
    return serve(listener);
}

quint16 QuoteService::serve(ServiceListener *listener)
{
    m_listener = listener;
    const int workers = std::max(1, QThread::idealThreadCount());
    for (int i = 0; i < workers; ++i)
        m_workers.push_back(
            std::make_unique<HttpWorker>(*this, m_settings.idleTimeoutMs, listener->socketDescriptor()));
    return listener->serverPort();
}

QString QuoteService::baseAddress() const
{
    const quint16 port = m_listener ? m_listener->serverPort() : m_settings.port;
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(QLatin1String(QuoteProtocol::kPath));
}

QHttpServerResponse QuoteService::answer(QStringView encodedQuery)
{
    const ServiceRequest request = ServiceRequest::parse(encodedQuery);
    if (request.kind() == ServiceRequest::Kind::TooLong)
        return refusal(request.error(), QHttpServerResponse::StatusCode::UriTooLong);
    if (request.kind() == ServiceRequest::Kind::Invalid)
        return refusal(request.error(), QHttpServerResponse::StatusCode::BadRequest);
    if (advertDue())
        return advert();
    return answerData(request);
}

void QuoteService::answerOther(const QHttpServerRequest &request, QHttpServerResponder &&responder)
{
    if (request.url().path() == QLatin1String(QuoteProtocol::kPath)) {
        responder.write(QByteArrayLiteral("only GET is answered here\r\n"),
                        {{"Content-Type", kTextType}, {"Allow", "GET"}},
                        QHttpServerResponder::StatusCode::MethodNotAllowed);
        return;
    }
    responder.write(QByteArrayLiteral("no such path: ask for /quote\r\n"), kTextType,
                    QHttpServerResponder::StatusCode::NotFound);
}

const Catalogue &QuoteService::catalogue() const
{
    Q_ASSERT(m_simulated);
    return m_simulated->catalogue();
}

void QuoteService::setMarketTime(qint64 ms)
{
    Q_ASSERT(m_simulated);
    m_simulated->setMarketTime(ms);
}

QHttpServerResponse QuoteService::refusal(const QString &reason, QHttpServerResponse::StatusCode status)
{
    return QHttpServerResponse(kTextType, reason.toLatin1() + "\r\n", status);
}

QHttpServerResponse QuoteService::plainText(QByteArray body)
{
    return QHttpServerResponse(kTextType, std::move(body));
}

QHttpServerResponse QuoteService::answerData(const ServiceRequest &request)
{
    if (request.kind() == ServiceRequest::Kind::Search)
        return plainText(m_source->search(request.searchText()));
    return quotes(request);
}

QHttpServerResponse QuoteService::quotes(const ServiceRequest &request)
{
    QuoteSource::Answer answer = m_source->quotes(request);
    QHttpServerResponse response = answer.refusal.isEmpty()
                                       ? plainText(std::move(answer.body))
                                       : refusal(answer.refusal, QHttpServerResponse::StatusCode::ServiceUnavailable);
    // Every quote reply names where its prices come from, so that simulated
    // prices are never taken for real ones.
    response.addHeader(QByteArray(QuoteProtocol::kSourceHeader), m_source->name());
    return response;
}

QHttpServerResponse QuoteService::advert() const
{
    QHttpServerResponse response(kJpegType, m_advertJpeg);
    response.addHeader(QuoteProtocol::kAdvertHeader,
                       QByteArray(QuoteProtocol::kAdvertMarker) + ' ' + m_settings.adLink.toLatin1());
    return response;
}

bool QuoteService::advertDue()
{
    const qint64 answered = ++m_answered;
    return m_settings.adEvery > 0 && answered % m_settings.adEvery == 0;
}

void QuoteService::handOn(qintptr descriptor)
{
    // The user's key buys a provider's quotes: no other local user gets them.
    if (m_source->ownUserOnly() && PeerCredentials::peerUid(descriptor, m_settings.peerTables) != qint64(::getuid())) {
        qCDebug(lcProvider) << "a connection of another user, or of no user found, closed unanswered";
        ::close(int(descriptor));
        return;
    }
    m_workers[m_nextWorker]->adopt(descriptor);
    m_nextWorker = (m_nextWorker + 1) % m_workers.size();
}
