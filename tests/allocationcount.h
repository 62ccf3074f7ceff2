// Counts the allocations a piece of code makes through operator new. Include it in one file of a
// test program only: it replaces the program's operator new and delete.
#pragma once

#include <cstdlib>
#include <new>

namespace allocationcount {
inline long g_allocations = 0;
inline bool g_counting = false;
}  // namespace allocationcount

void *operator new(std::size_t size)
{
    if (allocationcount::g_counting)
        ++allocationcount::g_allocations;
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept
{
    std::free(p);
}
void operator delete(void *p, std::size_t) noexcept
{
    std::free(p);
}

// How many times `run` allocated.
template <typename F>
long allocationsOf(F &&run)
{
    allocationcount::g_allocations = 0;
    allocationcount::g_counting = true;
    run();
    allocationcount::g_counting = false;
    return allocationcount::g_allocations;
}
