#include "support/FakeHttpServer.h"

#include <QDateTime>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>
#include <utility>

namespace {
qint64 nowMs()
{
    return QDateTime::currentMSecsSinceEpoch();
}
} // namespace

FakeHttpServer::FakeHttpServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &FakeHttpServer::onNewConnection);
    m_server.listen(QHostAddress::LocalHost, 0);
}

FakeHttpServer::~FakeHttpServer()
{
    // The connections go first, while the buffers they are forgotten from still exist.
    m_server.close();
    qDeleteAll(m_server.findChildren<QTcpSocket *>());
}

QString FakeHttpServer::baseUrl(const QString &path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(port()).arg(path);
}

void FakeHttpServer::enqueue(const Reply &reply)
{
    m_queue.append(reply);
}

void FakeHttpServer::holdWhen(std::function<bool(const QByteArray &)> matches)
{
    m_holdWhen = std::move(matches);
}

void FakeHttpServer::releaseHeld()
{
    const QList<Held> held = std::exchange(m_held, {});
    for (const Held &each : held)
        if (each.socket)
            send(each.socket, each.reply);
}

void FakeHttpServer::setDefaultReply(std::function<QByteArray(const QByteArray &)> makeReply)
{
    m_default = std::move(makeReply);
}

QByteArray FakeHttpServer::requestTarget(int index) const
{
    const QByteArray firstLine = m_requests.value(index).split('\r').value(0);
    return firstLine.split(' ').value(1);
}

QByteArray FakeHttpServer::ok(const QByteArray &body, const QByteArray &extraHeaders)
{
    return "HTTP/1.1 200 OK\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\n" + extraHeaders +
           "Connection: close\r\n\r\n" + body;
}

QByteArray FakeHttpServer::status(int code, const QByteArray &reason, const QByteArray &body)
{
    return "HTTP/1.1 " + QByteArray::number(code) + ' ' + reason +
           "\r\nContent-Length: " + QByteArray::number(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
}

void FakeHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QObject::destroyed, this, [this, socket] { m_pending.remove(socket); });
    }
}

void FakeHttpServer::onReadyRead(QTcpSocket *socket)
{
    m_pending[socket] += socket->readAll();
    // Requests here are GETs without a body: the blank line ends each one.
    const QPointer<QTcpSocket> alive(socket);
    while (alive) {
        // Looked up again each time: answering may run the program's nested waits.
        QByteArray &buffer = m_pending[socket];
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0)
            return;
        const QByteArray request = buffer.left(end + 4);
        buffer.remove(0, end + 4);
        answer(socket, request);
    }
}

void FakeHttpServer::answer(QTcpSocket *socket, const QByteArray &request)
{
    m_requests.append(request);
    m_requestTimesMs.append(nowMs());
    const int index = int(m_requests.size()) - 1;
    Reply reply;
    if (!m_queue.isEmpty())
        reply = m_queue.takeFirst();
    else if (m_default)
        reply.bytes = m_default(request);
    else
        reply.bytes = status(500, "No Script", "no scripted reply");
    if (reply.hold || (m_holdWhen && m_holdWhen(request))) {
        reply.hold = false;
        m_held.append({socket, reply});
        emit requestReceived(index);
        return;
    }
    emit requestReceived(index);
    send(socket, reply);
}

void FakeHttpServer::send(QTcpSocket *socket, const Reply &reply)
{
    if (reply.stall)
        return;
    if (reply.endless) {
        socket->write(reply.bytes);
        sendEndlessChunks(socket);
        return;
    }
    if (reply.trickleMs <= 0) {
        socket->write(reply.bytes);
        m_replyEndTimesMs.append(nowMs());
        if (reply.closeAfter)
            socket->disconnectFromHost();
        return;
    }
    // One byte at a time, until everything is sent or the client goes away.
    auto *timer = new QTimer(socket);
    auto sent = std::make_shared<qsizetype>(0);
    connect(timer, &QTimer::timeout, socket, [this, socket, timer, sent, reply] {
        if (*sent >= reply.bytes.size()) {
            timer->stop();
            m_replyEndTimesMs.append(nowMs());
            if (reply.closeAfter)
                socket->disconnectFromHost();
            return;
        }
        socket->write(reply.bytes.mid((*sent)++, 1));
    });
    timer->start(reply.trickleMs);
}

// Writes the next chunk whenever the client has taken most of the last one,
// so the server itself holds little, until the client goes away.
void FakeHttpServer::sendEndlessChunks(QTcpSocket *socket)
{
    static const QByteArray chunk = "100000\r\n" + QByteArray(0x100000, 'e') + "\r\n";
    const auto topUp = [socket] {
        while (socket->state() == QAbstractSocket::ConnectedState && socket->bytesToWrite() < chunk.size())
            socket->write(chunk);
    };
    connect(socket, &QTcpSocket::bytesWritten, socket, topUp);
    topUp();
}
