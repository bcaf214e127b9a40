#pragma once

#include "quotes/QuoteRecord.h"

#include <QLatin1StringView>
#include <atomic>
#include <memory>
#include <thread>

// Reads a long reply's lines on a second thread, in reply order, ahead of
// the rows that take them one by one in the same order: finding a line and
// reading its numbers cost about as much as painting them, and the service
// answers in the order asked. Lines are numbered as the quote table numbers
// them, blank lines not counted.
//
// The caller never waits: a line the thread has not read yet is the caller's
// to read, and the thread skips it. The thread waits instead when it is a
// ring's length ahead, so that the memory stays small and is reused from
// one reply to the next.
//
// The thread only reads the body; the caller keeps it unchanged until stop().
class ReplyReadAhead
{
public:
    ReplyReadAhead() = default;
    ~ReplyReadAhead() { stop(); }
    ReplyReadAhead(const ReplyReadAhead &) = delete;
    ReplyReadAhead &operator=(const ReplyReadAhead &) = delete;

    struct Line
    {
        QLatin1StringView symbol;
        QuoteNumbers numbers;
    };

    // Starts reading the body's first lines lines. When no thread can be
    // started, nothing runs, and the caller reads every line itself.
    void start(QLatin1StringView body, qsizetype lines, bool FirstFetch);
    // The line at position, read for this kind of fetch; null when the
    // caller must read it itself. Valid until the caller passes it.
    const Line *at(qsizetype position, bool FirstFetch) const;
    // The caller is done with the lines up to position: the thread reads
    // none of them any more, and may reuse their room. Positions only grow.
    void pass(qsizetype position);
    // Stops the reading and waits for the thread to end.
    void stop();
    bool isRunning() const { return m_thread.joinable(); }

private:
    static constexpr int kRingLines = 4096;

    void read();
    bool waitForRoom(int line);

    std::unique_ptr<Line[]> m_ring; // line n in slot n % kRingLines; made by the thread
    QLatin1StringView m_body;
    int m_lines = 0;
    bool m_firstFetch = false;
    std::atomic<int> m_read{0};  // lines the thread has passed, read or skipped
    std::atomic<int> m_taken{0}; // lines the caller has passed, taken or read itself
    std::atomic<bool> m_stopAsked{false};
    std::thread m_thread;
};
