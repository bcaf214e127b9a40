#pragma once

#include <QElapsedTimer>

#include <atomic>

// When bytes last moved on any of the service's connections. Every worker
// thread touches it; a socket-activated service reads it to stop once nobody
// has asked for a while.
class ActivityClock
{
public:
    ActivityClock() { m_clock.start(); }

    // Safe to call from any thread.
    void touch() { m_lastMs.store(m_clock.elapsed(), std::memory_order_relaxed); }
    qint64 idleMs() const { return m_clock.elapsed() - m_lastMs.load(std::memory_order_relaxed); }

private:
    QElapsedTimer m_clock;
    std::atomic<qint64> m_lastMs{0};
};
