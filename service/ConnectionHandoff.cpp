#include "service/ConnectionHandoff.h"

#include "service/ActivityClock.h"
#include "service/ConnectionGuard.h"

#include <QMetaMethod>
#include <QTcpSocket>

#include <unistd.h>

ConnectionHandoff::ConnectionHandoff(int idleTimeoutMs, ActivityClock &activity, QObject *parent)
    : QTcpServer(parent)
    , m_idleTimeoutMs(idleTimeoutMs)
    , m_activity(activity)
{
}

void ConnectionHandoff::adopt(qintptr descriptor)
{
    m_activity.touch();
    auto *socket = new QTcpSocket(this);
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        ::close(int(descriptor));
        return;
    }
    // Before the HTTP server connects to the socket, so that the guard sees each read first.
    new ConnectionGuard(socket, m_idleTimeoutMs, m_activity);
    m_waiting.append(socket);
    // addPendingConnection() would put the socket where only a listening
    // server may take it from; the signal alone tells the HTTP server.
    QMetaMethod::fromSignal(&QTcpServer::pendingConnectionAvailable).invoke(this, Qt::DirectConnection);
}

bool ConnectionHandoff::hasPendingConnections() const
{
    return !m_waiting.isEmpty();
}

QTcpSocket *ConnectionHandoff::nextPendingConnection()
{
    return m_waiting.isEmpty() ? nullptr : m_waiting.takeFirst();
}
