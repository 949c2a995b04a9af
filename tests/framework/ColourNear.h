#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace FrameworkTesting
{

// Red, green and blue of a 0xAARRGGBB pixel each within tolerance of the expected colour.
inline ::testing::AssertionResult ColourNear(std::uint32_t actual, std::uint32_t expected, int tolerance = 2)
{
    for (int shift : {0, 8, 16})
    {
        const int a = static_cast<int>((actual >> shift) & 0xFF);
        const int e = static_cast<int>((expected >> shift) & 0xFF);
        if (std::abs(a - e) > tolerance)
        {
            char text[64];
            std::snprintf(text, sizeof text, "%06X is not near %06X", actual & 0xFFFFFF, expected & 0xFFFFFF);
            return ::testing::AssertionFailure() << text;
        }
    }
    return ::testing::AssertionSuccess();
}

} // namespace FrameworkTesting
