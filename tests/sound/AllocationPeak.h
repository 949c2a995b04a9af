#pragma once

#include <cstddef>

// This test binary's own operator new records the largest single allocation while a scope is open.
class AllocationPeakScope
{
public:
    AllocationPeakScope();
    ~AllocationPeakScope();
    AllocationPeakScope(const AllocationPeakScope&) = delete;
    AllocationPeakScope& operator=(const AllocationPeakScope&) = delete;

    // Bytes of the largest allocation made since the scope opened.
    std::size_t Largest() const;
};
