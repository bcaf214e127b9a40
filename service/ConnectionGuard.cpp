#include "service/ConnectionGuard.h"

#include <QTcpSocket>

ConnectionGuard::ConnectionGuard(QTcpSocket *socket, int idleTimeoutMs)
    : QObject(socket)
    , m_socket(socket)
{
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(idleTimeoutMs);
    connect(&m_idleTimer, &QTimer::timeout, this, &ConnectionGuard::cutOff);
    connect(socket, &QTcpSocket::readyRead, this, &ConnectionGuard::takeRead);
    connect(socket, &QTcpSocket::bytesWritten, this, &ConnectionGuard::takeAnswer);
    m_idleTimer.start();
}

void ConnectionGuard::takeRead()
{
    m_idleTimer.start();
    // The HTTP server has read everything that came before (it stops only at
    // the end of a request), so what is available now is new.
    m_unanswered += m_socket->bytesAvailable();
    if (m_unanswered > kMaxRequestBytes)
        cutOff();
}

void ConnectionGuard::takeAnswer()
{
    m_idleTimer.start();
    m_unanswered = 0;
}

void ConnectionGuard::cutOff()
{
    // The HTTP server's own handler of this read must not see a closed socket.
    disconnect(m_socket, &QTcpSocket::readyRead, nullptr, nullptr);
    m_socket->abort();
}
