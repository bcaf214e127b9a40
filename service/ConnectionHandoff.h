#pragma once

#include <QList>
#include <QTcpServer>

class ActivityClock;
class QTcpSocket;

// The server an HTTP worker's QHttpServer is bound to. It never accepts by
// itself: it takes connections accepted elsewhere, makes their sockets on its
// own thread, puts each under a ConnectionGuard, and offers them to the HTTP
// server as new connections.
class ConnectionHandoff : public QTcpServer
{
    Q_OBJECT

public:
    // activity must outlive every connection.
    ConnectionHandoff(int idleTimeoutMs, ActivityClock &activity, QObject *parent = nullptr);

    // Call on this object's thread.
    void adopt(qintptr descriptor);

    bool hasPendingConnections() const override;
    QTcpSocket *nextPendingConnection() override;

private:
    int m_idleTimeoutMs;
    ActivityClock &m_activity;
    QList<QTcpSocket *> m_waiting; // made, not yet taken by the HTTP server
};
