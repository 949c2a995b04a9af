#pragma once

#include <cstdint>

// The project's one random source: the classic linear congruential step
// (state := state * 214013 + 2531011 mod 2^32), each draw giving bits 16 to 30 of the new state.
// Every thread has its own state, seeded 1 until the thread seeds it, so threads never disturb each
// other's sequences and a seed always gives the same draws.
namespace BaseLib
{

constexpr std::int32_t RandomMax = 32767;

// Starts this thread's sequence anew from the seed.
void SeedRandom(std::uint32_t seed);
// The next number of this thread's sequence, 0 to RandomMax.
std::int32_t Random();

} // namespace BaseLib
