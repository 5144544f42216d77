// Counts heap allocations in a benchmark program: the global allocation
// functions are replaced by counting ones. Include it in exactly one source
// file of a program (each bench_<name> is a single file). A benchmark reads
// heap_allocations (and heap_bytes, their total size) before and after the
// code it measures.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>

inline long heap_allocations = 0;
inline long heap_bytes = 0;

// GCC takes the free() of a pointer from a replaced operator new for a
// mismatch.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size)
{
    ++heap_allocations;
    heap_bytes += static_cast<long>(size);
    if (void* p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept
{
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}
#pragma GCC diagnostic pop
