#pragma once

#include <QObject>
#include <QTimer>

class ActivityClock;

// Says when the service has been idle for a given time: nothing moved on any
// connection, and no connection came. A service that systemd started on its
// socket stops then; the socket stays with systemd, which starts the service
// again on the next connection.
class IdleStop : public QObject
{
    Q_OBJECT

public:
    // clock must outlive this object.
    IdleStop(const ActivityClock &clock, qint64 idleLimitMs, QObject *parent = nullptr);

signals:
    void idle();

private:
    void check();

    const ActivityClock &m_clock;
    qint64 m_limitMs;
    QTimer m_timer;
};
