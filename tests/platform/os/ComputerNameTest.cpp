#include "platform/os/ComputerName.h"

#include <gtest/gtest.h>

TEST(ComputerName, HostNameIsCutAtItsFirstDotThenTo15Characters)
{
    const struct
    {
        const char* host;
        const char* name;
    } cases[] = {
        {"abcdefghijklmnopqrst", "abcdefghijklmno"},
        {"abcdefghijklmno", "abcdefghijklmno"},
        {"box.example.org", "box"},
        {"averyveryverylongname.example.org", "averyveryverylo"},
        {".hidden", ""},
        {"", ""},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(Platform::ShortComputerName(c.host), c.name) << c.host;
    }
    EXPECT_LE(Platform::GetComputerName().size(), Platform::MaxComputerNameLength);
}
