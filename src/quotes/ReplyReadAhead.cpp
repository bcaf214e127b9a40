#include "quotes/ReplyReadAhead.h"

#include "quotes/QuoteReply.h"
#include "web/CrLfLines.h"

#include <limits>
#include <system_error>

void ReplyReadAhead::start(QLatin1StringView body, qsizetype lines, bool FirstFetch)
{
    stop();
    m_body = body;
    m_lines = int(qMin<qsizetype>(lines, std::numeric_limits<int>::max() - kRingLines));
    m_firstFetch = FirstFetch;
    m_read.store(0, std::memory_order_relaxed);
    m_taken.store(0, std::memory_order_relaxed);
    m_stopAsked.store(false, std::memory_order_relaxed);
    try {
        m_thread = std::thread(&ReplyReadAhead::read, this);
    } catch (const std::system_error &) {
        // not running: at() gives no line
    }
}

void ReplyReadAhead::read()
{
    if (!m_ring) // made here, so that its first touch costs the caller nothing
        m_ring = std::make_unique<Line[]>(kRingLines);
    int line = 0;
    for (qsizetype start = 0; start >= 0 && line < m_lines && waitForRoom(line);) {
        const QLatin1StringView text = CrLfLines::nextLine(m_body, start);
        if (QuoteReply::isBlankLine(text))
            continue;
        // A line the caller has passed already is not read.
        if (line >= m_taken.load(std::memory_order_relaxed)) {
            Line &read = m_ring[size_t(line % kRingLines)];
            read.symbol = QuoteReply::symbolOf(text);
            read.numbers = QuoteNumbers();
            QuoteReply::readNumbers(text, m_firstFetch, read.numbers);
        }
        m_read.store(++line, std::memory_order_release);
    }
}

// Whether the line's slot is free, waiting until the caller has taken the
// line a ring's length before it; false once asked to stop.
bool ReplyReadAhead::waitForRoom(int line)
{
    for (int taken = m_taken.load(std::memory_order_acquire);; taken = m_taken.load(std::memory_order_acquire)) {
        if (m_stopAsked.load(std::memory_order_relaxed))
            return false;
        if (line < taken + kRingLines)
            return true;
        m_taken.wait(taken, std::memory_order_acquire);
    }
}

const ReplyReadAhead::Line *ReplyReadAhead::at(qsizetype position, bool FirstFetch) const
{
    if (!isRunning() || FirstFetch != m_firstFetch || position < m_taken.load(std::memory_order_relaxed) ||
        position >= m_read.load(std::memory_order_acquire))
        return nullptr;
    return &m_ring[size_t(position % kRingLines)];
}

void ReplyReadAhead::pass(qsizetype position)
{
    if (!isRunning() || position < m_taken.load(std::memory_order_relaxed) || position >= m_lines)
        return;
    // The thread is woken only when it waits for room, which a stretch of the ring frees.
    m_taken.store(int(position) + 1, std::memory_order_release);
    if ((position + 1) % (kRingLines / 8) == 0)
        m_taken.notify_one();
}

void ReplyReadAhead::stop()
{
    if (!isRunning())
        return;
    m_stopAsked.store(true, std::memory_order_relaxed);
    m_taken.fetch_add(1, std::memory_order_release); // wakes a thread waiting for room
    m_taken.notify_one();
    m_thread.join();
}
