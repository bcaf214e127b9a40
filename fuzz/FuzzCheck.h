#pragma once

#include <cstdio>
#include <cstdlib>

// A property a fuzz target asserts. It holds in release builds too (Q_ASSERT
// is compiled out there), and a broken one aborts, which libFuzzer and the
// corpus replay both report as a crash.
inline void fuzzCheck(bool holds, const char *property)
{
    if (holds)
        return;
    std::fprintf(stderr, "Broken: %s\n", property);
    std::abort();
}
