#pragma once

#include <QObject>
#include <QTimer>

class QTcpSocket;

// Holds one connection to the service's limits. It closes the connection when
// nothing has moved on it for the idle time-out, or when more than
// kMaxRequestBytes arrive before the service answers: a request line or a
// header that never ends would otherwise grow without bound, as the HTTP
// server keeps every byte of a request until it is whole. Made before the
// HTTP server sees the socket, so that it looks at each read first.
class ConnectionGuard : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kMaxRequestBytes = 2 << 20;

    // Becomes a child of socket.
    ConnectionGuard(QTcpSocket *socket, int idleTimeoutMs);

private:
    void takeRead();
    void takeAnswer();
    void cutOff();

    QTcpSocket *m_socket;
    QTimer m_idleTimer;
    qint64 m_unanswered = 0; // bytes received since the service last answered
};
