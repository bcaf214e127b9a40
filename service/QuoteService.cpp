#include "service/QuoteService.h"

#include "service/AdvertPicture.h"
#include "service/ReplyBuilder.h"

#include <QHostAddress>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QTcpServer>

namespace {

const QByteArray kTextType = QByteArrayLiteral("text/plain; charset=ISO-8859-1");
const QByteArray kJpegType = QByteArrayLiteral("image/jpeg");
const QByteArray kAdvertHeader = QByteArrayLiteral("PICS-Label");
const QByteArray kAdvertMarker = QByteArrayLiteral("PICADS ");
const QString kRoutePattern = QStringLiteral("^/quote$"); // routes are regular expressions

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
    addRoutes();
}

quint16 QuoteService::listen(quint16 port)
{
    // Our own QTcpServer, so that a failure comes with its reason.
    auto *listener = new QTcpServer(&m_server);
    if (!listener->listen(QHostAddress::LocalHost, port)) {
        m_error = listener->errorString();
        delete listener;
        return 0;
    }
    m_server.bind(listener);
    m_listener = listener;
    return listener->serverPort();
}

QString QuoteService::baseAddress() const
{
    const quint16 port = m_listener ? m_listener->serverPort() : m_settings.port;
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port).arg(QLatin1String(kPath));
}

QHttpServerResponse QuoteService::answer(QStringView encodedQuery)
{
    const ServiceRequest request = ServiceRequest::parse(encodedQuery);
    if (request.kind() == ServiceRequest::Kind::Invalid)
        return badRequest(request.error());
    if (advertDue())
        return advert();
    return answerData(request);
}

Catalogue QuoteService::makeCatalogue(const ServiceSettings &settings)
{
    Catalogue catalogue = Catalogue::bundled();
    catalogue.addSynthetic(settings.synthetic, settings.seed);
    return catalogue;
}

QHttpServerResponse QuoteService::badRequest(const QString &reason)
{
    return QHttpServerResponse(kTextType, reason.toLatin1() + "\r\n", QHttpServerResponse::StatusCode::BadRequest);
}

QHttpServerResponse QuoteService::plainText(QByteArray body)
{
    return QHttpServerResponse(kTextType, std::move(body));
}

QHttpServerResponse QuoteService::answerData(const ServiceRequest &request)
{
    if (request.kind() == ServiceRequest::Kind::Search)
        return plainText(ReplyBuilder::search(m_catalogue, request.searchText()));
    return plainText(
        ReplyBuilder::quotes(m_catalogue, m_market, request.symbols(), request.firstFetch(), m_clock.elapsed()));
}

QHttpServerResponse QuoteService::advert() const
{
    QHttpServerResponse response(kJpegType, m_advertJpeg);
    response.addHeader(kAdvertHeader, kAdvertMarker + m_settings.adLink.toLatin1());
    return response;
}

bool QuoteService::advertDue()
{
    ++m_answered;
    return m_settings.adEvery > 0 && m_answered % m_settings.adEvery == 0;
}

void QuoteService::addRoutes()
{
    m_server.route(kRoutePattern, QHttpServerRequest::Method::Get, [this](const QHttpServerRequest &request) {
        return answer(request.url().query(QUrl::FullyEncoded));
    });
    m_server.setMissingHandler([](const QHttpServerRequest &request, QHttpServerResponder &&responder) {
        if (request.url().path() == QLatin1String(kPath)) {
            responder.write(QByteArrayLiteral("only GET is answered here\r\n"),
                            {{"Content-Type", kTextType}, {"Allow", "GET"}},
                            QHttpServerResponder::StatusCode::MethodNotAllowed);
            return;
        }
        responder.write(QByteArrayLiteral("no such path: ask for /quote\r\n"), kTextType,
                        QHttpServerResponder::StatusCode::NotFound);
    });
}
