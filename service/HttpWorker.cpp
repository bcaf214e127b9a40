#include "service/HttpWorker.h"

#include "service/ConnectionHandoff.h"
#include "service/QuoteService.h"

#include <QHttpServer>
#include <QHttpServerRequest>

#include <unistd.h>

namespace {

void addRoutes(QHttpServer &server, QuoteService &service)
{
    const QString path = QStringLiteral("^%1$").arg(QLatin1String(QuoteProtocol::kPath)); // a regular expression
    server.route(path, QHttpServerRequest::Method::Get, [&service](const QHttpServerRequest &request) {
        return service.answer(request.url().query(QUrl::FullyEncoded));
    });
    server.setMissingHandler(&QuoteService::answerOther);
}

} // namespace

HttpWorker::HttpWorker(QuoteService &service, int idleTimeoutMs, qintptr listeningDescriptor)
{
    m_thread.setObjectName(QStringLiteral("HttpWorker"));
    m_thread.start();
    m_home = new QObject;
    m_home->moveToThread(&m_thread);
    QObject::connect(&m_thread, &QThread::finished, m_home, &QObject::deleteLater);
    // The HTTP server and its sockets are made on the thread that serves them.
    QMetaObject::invokeMethod(
        m_home, [&] { setUp(service, idleTimeoutMs, listeningDescriptor); }, Qt::BlockingQueuedConnection);
}

HttpWorker::~HttpWorker()
{
    m_thread.quit();
    m_thread.wait();
}

void HttpWorker::adopt(qintptr descriptor)
{
    ConnectionHandoff *handoff = m_handoff;
    QMetaObject::invokeMethod(handoff, [handoff, descriptor] { handoff->adopt(descriptor); });
}

void HttpWorker::setUp(QuoteService &service, int idleTimeoutMs, qintptr listeningDescriptor)
{
    auto *server = new QHttpServer(m_home);
    addRoutes(*server, service);
    m_handoff = new ConnectionHandoff(idleTimeoutMs, service.activity());
    // QHttpServer::bind() takes only a listening server: lend the handoff a
    // copy of the service's listening socket for that moment, and close the
    // copy before this thread could accept anything through it.
    m_handoff->setSocketDescriptor(::dup(int(listeningDescriptor)));
    server->bind(m_handoff);
    m_handoff->close();
}
