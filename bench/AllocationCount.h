#pragma once

// Counts the heap allocations the whole program makes (malloc and its
// relatives, which operator new and Qt's containers both end in), for
// benchmarks that must show how many a piece of work costs.
namespace AllocationCount {

// Allocations made since the program started.
unsigned long long total();

} // namespace AllocationCount
