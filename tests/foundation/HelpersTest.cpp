#include "foundation/Helpers.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>

TEST(NextPowerOfTwo, Table)
{
    const struct
    {
        std::int32_t value;
        std::int32_t expected;
    } cases[] = {{INT_MIN, 1},
                 {-5, 1},
                 {0, 1},
                 {1, 1},
                 {2, 2},
                 {3, 4},
                 {4, 4},
                 {1024, 1024},
                 {1025, 2048},
                 {1 << 30, 1 << 30},
                 {(1 << 30) + 1, 0},
                 {INT_MAX, 0}};
    for (const auto& c : cases)
    {
        EXPECT_EQ(BaseLib::NextPowerOfTwo(c.value), c.expected) << c.value;
    }
}

TEST(ParseDecimalInt, Table)
{
    const struct
    {
        const char* text;
        std::int32_t expected;
    } cases[] = {{nullptr, 0},
                 {"", 0},
                 {"abc", 0},
                 {"42", 42},
                 {"  -17x", -17},
                 {"+8", 8},
                 {"0x10", 0},
                 {"012", 12},
                 {"2147483647", INT_MAX},
                 {"2147483648", INT_MAX},
                 {"-2147483649", INT_MIN},
                 {"99999999999999999999999", INT_MAX}};
    for (const auto& c : cases)
    {
        EXPECT_EQ(BaseLib::ParseDecimalInt(c.text), c.expected) << (c.text != nullptr ? c.text : "null");
    }
}

TEST(StrDup, CopiesWithTerminatorAndNullStaysNull)
{
    EXPECT_EQ(BaseLib::StrDup(nullptr), nullptr);
    const char text[] = "abc";
    char* copy = BaseLib::StrDup(text);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, text);
    EXPECT_STREQ(copy, "abc");
    BaseLib::StrFree(copy);
    BaseLib::StrFree(nullptr);
}

TEST(ToLower, MapsAsciiCapitalsAndThreeLatin1Capitals)
{
    std::string all;
    for (int b = 1; b < 256; ++b)
    {
        all += static_cast<char>(b);
    }
    const std::string lowered = BaseLib::ToLower(all);
    ASSERT_EQ(lowered.size(), all.size());
    for (int b = 1; b < 256; ++b)
    {
        int expected = b;
        if ((b >= 'A' && b <= 'Z') || b == 0xC4 || b == 0xD6 || b == 0xDC)
        {
            expected = b + 32;
        }
        EXPECT_EQ(static_cast<unsigned char>(lowered[b - 1]), expected) << "byte " << b;
    }
    EXPECT_EQ(BaseLib::ToLower(std::string("Media\0X", 7)), std::string("media\0x", 7));
}

TEST(GetCommandLineOption, Cases)
{
    const std::string line = "-fullscreen 1 -devmode";
    std::string value = "untouched";
    EXPECT_TRUE(BaseLib::GetCommandLineOption("-fullscreen", line, value));
    EXPECT_EQ(value, "1");

    value = "untouched";
    EXPECT_FALSE(BaseLib::GetCommandLineOption("-devmode", line, value));
    EXPECT_EQ(value, "untouched");
    EXPECT_FALSE(BaseLib::GetCommandLineOption("-devmode", line + " ", value));
    EXPECT_EQ(value, "untouched");

    // Blanks before the value are skipped; the value ends at the next blank.
    EXPECT_TRUE(BaseLib::GetCommandLineOption("-level", "x -level   7.blvl -y", value));
    EXPECT_EQ(value, "7.blvl");
    // A plain substring search: the name also matches the end of a longer word.
    EXPECT_TRUE(BaseLib::GetCommandLineOption("mode", "-devmode 2", value));
    EXPECT_EQ(value, "2");
    EXPECT_FALSE(BaseLib::GetCommandLineOption("-width", "-height 5", value));
}

TEST(GetCommandLineBool, Words)
{
    const struct
    {
        const char* line;
        bool found;
        bool expected;
    } cases[] = {
        {"-devmode 1", true, true},      {"-devmode True", true, true},
        {"-devmode TRUE x", true, true}, {"-devmode yes", true, false},
        {"-devmode on", true, false},    {"-devmode 0", true, false},
        {"-devmode", false, false},      {"", false, false},
    };
    for (const auto& c : cases)
    {
        bool value = !c.expected;
        const bool untouched = value;
        EXPECT_EQ(BaseLib::GetCommandLineBool(c.line, "-devmode", value), c.found) << c.line;
        EXPECT_EQ(value, c.found ? c.expected : untouched) << c.line;
    }
}
