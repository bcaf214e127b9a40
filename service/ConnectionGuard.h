#pragma once

#include <QObject>
#include <QTimer>

class ActivityClock;
class QTcpSocket;

// Holds one connection to the service's limits. It closes the connection when
// nothing has moved on it for the idle time-out, or when more than
// kMaxRequestBytes arrive without a request's head coming to its end: a
// request line or a header that never ends would otherwise grow without
// bound, as the HTTP server keeps every byte of a request until it is whole.
// Requests sent one behind the other count each on its own, and an answer
// being worked out or still on its way to a slow reader is not idleness.
// Made before the HTTP server sees the socket, so that it looks at each read
// first. Every read and write also tells the service's activity clock.
class ConnectionGuard : public QObject
{
    Q_OBJECT

public:
    static constexpr qint64 kMaxRequestBytes = 2 << 20;

    // Becomes a child of socket. activity must outlive the socket.
    ConnectionGuard(QTcpSocket *socket, int idleTimeoutMs, ActivityClock &activity);

private:
    void takeRead();
    void takeAnswer();
    void takeIdleTime();
    qint64 unsentBytes() const;
    void cutOff();

    QTcpSocket *m_socket;
    ActivityClock &m_activity;
    QTimer m_idleTimer;
    qint64 m_unfinished = 0;       // bytes received since the last end of a request's head
    QByteArray m_tail;             // the last bytes received, where an end may begin
    qint64 m_unsentAtLastLook = 0; // at the last time-out that let it live; 0 after a read or a write
};
