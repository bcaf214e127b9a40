#include "AllocationCount.h"

#include <atomic>
#include <cerrno>
#include <cstddef>

// The program's own malloc family takes the place of the C library's in
// every library it loads; each one counts and hands on to glibc's own entry
// points, so the allocator itself is unchanged.
extern "C" {
void *__libc_malloc(std::size_t size);
void *__libc_calloc(std::size_t count, std::size_t size);
void *__libc_realloc(void *pointer, std::size_t size);
void *__libc_memalign(std::size_t alignment, std::size_t size);
}

namespace {

std::atomic<unsigned long long> g_allocations{0};

void count()
{
    g_allocations.fetch_add(1, std::memory_order_relaxed);
}

} // namespace

unsigned long long AllocationCount::total()
{
    return g_allocations.load(std::memory_order_relaxed);
}

extern "C" {

void *malloc(std::size_t size) noexcept
{
    count();
    return __libc_malloc(size);
}

void *calloc(std::size_t number, std::size_t size) noexcept
{
    count();
    return __libc_calloc(number, size);
}

void *realloc(void *pointer, std::size_t size) noexcept
{
    count();
    return __libc_realloc(pointer, size);
}

void *memalign(std::size_t alignment, std::size_t size) noexcept
{
    count();
    return __libc_memalign(alignment, size);
}

void *aligned_alloc(std::size_t alignment, std::size_t size) noexcept
{
    count();
    return __libc_memalign(alignment, size);
}

int posix_memalign(void **out, std::size_t alignment, std::size_t size) noexcept
{
    count();
    void *pointer = __libc_memalign(alignment, size);
    if (!pointer)
        return ENOMEM;
    *out = pointer;
    return 0;
}

} // extern "C"
