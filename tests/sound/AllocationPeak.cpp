#include "AllocationPeak.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace
{

std::atomic<bool> g_recording{false};
std::atomic<std::size_t> g_largest{0};

void* Allocate(std::size_t size)
{
    if (g_recording.load(std::memory_order_relaxed))
    {
        std::size_t largest = g_largest.load();
        while (size > largest && !g_largest.compare_exchange_weak(largest, size))
        {
        }
    }
    return std::malloc(size == 0 ? 1 : size);
}

}

AllocationPeakScope::AllocationPeakScope()
{
    g_largest = 0;
    g_recording = true;
}

AllocationPeakScope::~AllocationPeakScope()
{
    g_recording = false;
}

std::size_t AllocationPeakScope::Largest() const
{
    return g_largest.load();
}

void* operator new(std::size_t size)
{
    if (void* p = Allocate(size))
    {
        return p;
    }
    throw std::bad_alloc();
}

void* operator new[](std::size_t size)
{
    if (void* p = Allocate(size))
    {
        return p;
    }
    throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept
{
    return Allocate(size);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}
