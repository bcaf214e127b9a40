#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <algorithm>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>
#include <vector>

// Small helpers shared by the benchmark programs.
namespace BenchSupport {

inline double peakRssMb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss / 1024.0;
}

// Run times in milliseconds: their median, and the fastest, which on a
// machine that others share says what the code costs when left alone.
class Samples
{
public:
    template <typename Run> void time(Run &&run)
    {
        QElapsedTimer timer;
        timer.start();
        run();
        add(timer.nsecsElapsed() / 1e6);
    }

    void add(double ms) { m_ms.push_back(ms); }

    double median() const { return sorted()[m_ms.size() / 2]; }
    double fastest() const { return sorted().front(); }

private:
    std::vector<double> sorted() const
    {
        std::vector<double> ms = m_ms;
        std::sort(ms.begin(), ms.end());
        return ms;
    }

    std::vector<double> m_ms;
};

inline double fieldValue(const char *begin, const char *end)
{
    if (begin < end && *begin == '+')
        ++begin; // from_chars takes no plus sign
    double value = 0;
    std::from_chars(begin, end, value);
    return value;
}

// The least any refresh must do: one pass over the reply's bytes, splitting
// lines and fields and converting every number with std::from_chars; nothing
// is built and no rule is checked.
inline double floorPass(const QByteArray &bytes)
{
    double sum = 0;
    const char *line = bytes.constData();
    const char *const end = line + bytes.size();
    while (line < end) {
        const char *lineEnd = line;
        while ((lineEnd = static_cast<const char *>(std::memchr(lineEnd, '\r', size_t(end - lineEnd)))) &&
               (lineEnd + 1 == end || lineEnd[1] != '\n'))
            ++lineEnd;
        if (!lineEnd)
            lineEnd = end;
        int position = 0;
        const char *field = line;
        for (const char *at = line;; ++at) {
            if (at != lineEnd && *at != ',')
                continue;
            if (position == 4 && at - field > 3)
                sum += fieldValue(field + 1, at - 2);
            else if (position > 0 && position != 5 && position < 9)
                sum += fieldValue(field, at);
            ++position;
            if (at == lineEnd)
                break;
            field = at + 1;
        }
        line = lineEnd + 2;
    }
    return sum;
}

} // namespace BenchSupport
