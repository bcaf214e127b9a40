#include "service/QuoteService.h"

#include "service/AdvertPicture.h"
#include "service/HttpWorker.h"
#include "service/ReplyBuilder.h"
#include "service/ServiceListener.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QThread>

#include <algorithm>

namespace {

const QByteArray kTextType = QByteArrayLiteral("text/plain; charset=ISO-8859-1");
const QByteArray kJpegType = QByteArrayLiteral("image/jpeg");

} // namespace

QuoteService::QuoteService(const ServiceSettings &settings, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_catalogue(makeCatalogue(settings))
    , m_market(m_catalogue, settings.seed)
{
    m_clock.start();
    if (m_settings.adEvery > 0)
        m_advertJpeg = AdvertPicture::jpeg(m_settings.adLink);
}

QuoteService::~QuoteService()
{
    // No new connections, then no more answers, before the market goes.
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

Catalogue QuoteService::makeCatalogue(const ServiceSettings &settings)
{
    Catalogue catalogue = Catalogue::bundled();
    catalogue.addSynthetic(settings.synthetic, settings.seed);
    return catalogue;
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
        return plainText(ReplyBuilder::search(m_catalogue, request.searchText()));
    return quotes(request);
}

QHttpServerResponse QuoteService::quotes(const ServiceRequest &request)
{
    // Finding the scrips and writing the lines run on the asking thread; only
    // the market's steps wait for each other.
    std::vector<int> indexes;
    indexes.reserve(size_t(request.symbolCount()));
    request.forEachSymbol([this, &indexes](QStringView symbol) {
        const int hint = indexes.empty() ? 0 : indexes.back() + 1;
        if (const int index = m_catalogue.indexOf(symbol, hint); index >= 0)
            indexes.push_back(index);
    });
    const std::vector<ScripQuote> quotes = m_market.quotes(indexes, [this] { return marketTimeMs(); });
    return plainText(ReplyBuilder::quotes(m_catalogue, indexes, quotes, request.firstFetch()));
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

qint64 QuoteService::marketTimeMs() const
{
    const qint64 standing = m_standingMs;
    return standing >= 0 ? standing : m_clock.elapsed();
}

void QuoteService::handOn(qintptr descriptor)
{
    m_workers[m_nextWorker]->adopt(descriptor);
    m_nextWorker = (m_nextWorker + 1) % m_workers.size();
}
