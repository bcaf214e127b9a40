#pragma once

#include <QElapsedTimer>
#include <algorithm>
#include <cstdio>
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

} // namespace BenchSupport
