#include "platform/os/CommandLine.h"

#include <gtest/gtest.h>

#include <vector>

TEST(CommandLine, ArgumentsAfterTheProgramNameJoinedWithBlanks)
{
    struct Case
    {
        std::vector<const char*> arguments;
        const char* text;
    };
    const std::vector<Case> cases = {
        {{"quarrow"}, ""},
        {{"quarrow", "-devmode"}, "-devmode"},
        {{"quarrow", "-fullscreen", "1", "-perfhud"}, "-fullscreen 1 -perfhud"},
        {{"quarrow", "", "x"}, " x"},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(Platform::CommandLineText(static_cast<int>(c.arguments.size()), c.arguments.data()),
                  c.text);
    }
    EXPECT_EQ(Platform::CommandLineText(0, nullptr), "");
}
