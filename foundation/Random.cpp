#include "foundation/Random.h"

namespace BaseLib
{

namespace
{
thread_local std::uint32_t t_randomState = 1;
}

void SeedRandom(std::uint32_t seed)
{
    t_randomState = seed;
}

std::int32_t Random()
{
    t_randomState = t_randomState * 214013u + 2531011u;
    return static_cast<std::int32_t>((t_randomState >> 16) & 0x7fffu);
}

} // namespace BaseLib
