#include "bench/HeapCounter.h"

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdlib>
#include <new>

namespace
{

std::atomic<int64_t> s_heapInUse{0};
std::atomic<int64_t> s_heapPeak{0};
std::atomic<int64_t> s_allocations{0};

// Each block carries its size in front, in a header that keeps the block aligned for any type.
constexpr size_t HeapHeader = alignof(std::max_align_t);

void* CountedAllocate(size_t size)
{
    void* raw = std::malloc(size + HeapHeader);
    if (raw == nullptr)
    {
        return nullptr;
    }
    *static_cast<size_t*>(raw) = size;
    s_allocations.fetch_add(1, std::memory_order_relaxed);
    const int64_t inUse = s_heapInUse.fetch_add(static_cast<int64_t>(size), std::memory_order_relaxed) +
                          static_cast<int64_t>(size);
    int64_t peak = s_heapPeak.load(std::memory_order_relaxed);
    while (inUse > peak && !s_heapPeak.compare_exchange_weak(peak, inUse, std::memory_order_relaxed))
    {}
    return static_cast<char*>(raw) + HeapHeader;
}

void CountedFree(void* p)
{
    if (p == nullptr)
    {
        return;
    }
    void* raw = static_cast<char*>(p) - HeapHeader;
    s_heapInUse.fetch_sub(static_cast<int64_t>(*static_cast<size_t*>(raw)), std::memory_order_relaxed);
    std::free(raw);
}

void* CountedNew(size_t size)
{
    void* p = CountedAllocate(size);
    if (p == nullptr)
    {
        throw std::bad_alloc();
    }
    return p;
}

// Over-aligned blocks (polymorphic memory resources ask for them) carry the size in a header as large as
// their alignment, and the alignment in the word before the block.
void* CountedAlignedNew(size_t size, std::align_val_t alignment)
{
    const size_t align = std::max(static_cast<size_t>(alignment), 2 * sizeof(size_t));
    const size_t total = (size + 2 * align - 1) / align * align;
    void* raw = std::aligned_alloc(align, total);
    if (raw == nullptr)
    {
        throw std::bad_alloc();
    }
    *static_cast<size_t*>(raw) = size;
    char* p = static_cast<char*>(raw) + align;
    reinterpret_cast<size_t*>(p)[-1] = align;
    s_allocations.fetch_add(1, std::memory_order_relaxed);
    const int64_t inUse = s_heapInUse.fetch_add(static_cast<int64_t>(size), std::memory_order_relaxed) +
                          static_cast<int64_t>(size);
    int64_t peak = s_heapPeak.load(std::memory_order_relaxed);
    while (inUse > peak && !s_heapPeak.compare_exchange_weak(peak, inUse, std::memory_order_relaxed))
    {}
    return p;
}

void CountedAlignedFree(void* p)
{
    if (p == nullptr)
    {
        return;
    }
    const size_t align = reinterpret_cast<size_t*>(p)[-1];
    void* raw = static_cast<char*>(p) - align;
    s_heapInUse.fetch_sub(static_cast<int64_t>(*static_cast<size_t*>(raw)), std::memory_order_relaxed);
    std::free(raw);
}

} // namespace

void* operator new(size_t size)
{
    return CountedNew(size);
}

void* operator new[](size_t size)
{
    return CountedNew(size);
}

void* operator new(size_t size, const std::nothrow_t&) noexcept
{
    return CountedAllocate(size);
}

void* operator new[](size_t size, const std::nothrow_t&) noexcept
{
    return CountedAllocate(size);
}

void operator delete(void* p) noexcept
{
    CountedFree(p);
}

void operator delete[](void* p) noexcept
{
    CountedFree(p);
}

void operator delete(void* p, size_t) noexcept
{
    CountedFree(p);
}

void operator delete[](void* p, size_t) noexcept
{
    CountedFree(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
    CountedFree(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    CountedFree(p);
}

void* operator new(size_t size, std::align_val_t alignment)
{
    return CountedAlignedNew(size, alignment);
}

void* operator new[](size_t size, std::align_val_t alignment)
{
    return CountedAlignedNew(size, alignment);
}

void operator delete(void* p, std::align_val_t) noexcept
{
    CountedAlignedFree(p);
}

void operator delete[](void* p, std::align_val_t) noexcept
{
    CountedAlignedFree(p);
}

void operator delete(void* p, size_t, std::align_val_t) noexcept
{
    CountedAlignedFree(p);
}

void operator delete[](void* p, size_t, std::align_val_t) noexcept
{
    CountedAlignedFree(p);
}

namespace BenchHeap
{

int64_t InUse()
{
    return s_heapInUse.load();
}

int64_t Peak()
{
    return s_heapPeak.load();
}

void ResetPeak()
{
    s_heapPeak.store(s_heapInUse.load());
}

int64_t Allocations()
{
    return s_allocations.load();
}

} // namespace BenchHeap
