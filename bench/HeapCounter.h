#pragma once

#include <cstdint>

// Heap counting for benchmarks: a binary that links HeapCounter.cpp replaces operator new and delete
// (the over-aligned and non-throwing forms too) with ones that count the bytes in use.
namespace BenchHeap
{

// Bytes the program holds through operator new right now.
int64_t InUse();

// The most bytes held at once since the last ResetPeak.
int64_t Peak();

// Starts a new peak from the bytes in use now.
void ResetPeak();

// Blocks allocated since the program started.
int64_t Allocations();

} // namespace BenchHeap
