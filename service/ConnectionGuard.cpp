#include "service/ConnectionGuard.h"

#include "service/ActivityClock.h"

#include <QTcpSocket>

#include <linux/sockios.h>
#include <sys/ioctl.h>

ConnectionGuard::ConnectionGuard(QTcpSocket *socket, int idleTimeoutMs, ActivityClock &activity)
    : QObject(socket)
    , m_socket(socket)
    , m_activity(activity)
{
    m_idleTimer.setSingleShot(true);
    m_idleTimer.setInterval(idleTimeoutMs);
    connect(&m_idleTimer, &QTimer::timeout, this, &ConnectionGuard::takeIdleTime);
    connect(socket, &QTcpSocket::readyRead, this, &ConnectionGuard::takeRead);
    connect(socket, &QTcpSocket::bytesWritten, this, &ConnectionGuard::takeAnswer);
    m_idleTimer.start();
}

void ConnectionGuard::takeRead()
{
    m_idleTimer.start();
    m_activity.touch();
    m_unsentAtLastLook = 0;
    // The HTTP server has read everything that came before (it stops only at
    // the end of a request), so what is available now is new. A head ends at
    // its first empty line; the service answers GET, which has no body, so
    // what follows is the next request's.
    const QByteArray seen = m_tail + m_socket->peek(m_socket->bytesAvailable());
    const qsizetype headEnd = seen.lastIndexOf("\r\n\r\n");
    m_unfinished = headEnd < 0 ? m_unfinished + seen.size() - m_tail.size() : seen.size() - (headEnd + 4);
    m_tail = seen.right(3);
    if (m_unfinished > kMaxRequestBytes)
        cutOff();
}

void ConnectionGuard::takeAnswer()
{
    m_idleTimer.start();
    m_activity.touch();
    m_unsentAtLastLook = 0;
}

void ConnectionGuard::takeIdleTime()
{
    // An answer that is still to be sent, in this process or in the system's
    // queue, keeps the connection as long as it moves: a fresh answer, worked
    // out for longer than the time-out, or a reader taking a long answer
    // slowly. A reader that takes nothing for a whole time-out is cut off;
    // one that took the last bytes during it is idle only from then on.
    const qint64 unsent = unsentBytes();
    if (unsent != m_unsentAtLastLook) {
        m_unsentAtLastLook = unsent;
        m_idleTimer.start();
        return;
    }
    cutOff();
}

qint64 ConnectionGuard::unsentBytes() const
{
    int queued = 0; // in the system's send queue, not yet taken by the peer
    if (::ioctl(int(m_socket->socketDescriptor()), SIOCOUTQ, &queued) != 0)
        queued = 0;
    return m_socket->bytesToWrite() + queued;
}

void ConnectionGuard::cutOff()
{
    // The HTTP server's own handler of this read must not see a closed socket.
    disconnect(m_socket, &QTcpSocket::readyRead, nullptr, nullptr);
    m_socket->abort();
}
