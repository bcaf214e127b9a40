#include "service/IdleStop.h"

#include "service/ActivityClock.h"

IdleStop::IdleStop(const ActivityClock &clock, qint64 idleLimitMs, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_limitMs(idleLimitMs)
{
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, &IdleStop::check);
    m_timer.start(std::chrono::milliseconds(m_limitMs));
}

void IdleStop::check()
{
    // Waking only when the limit could have been reached, not on every
    // request: the timer is set to what is left of the limit.
    const qint64 idleMs = m_clock.idleMs();
    if (idleMs >= m_limitMs) {
        emit idle();
        return;
    }
    m_timer.start(std::chrono::milliseconds(m_limitMs - idleMs));
}
