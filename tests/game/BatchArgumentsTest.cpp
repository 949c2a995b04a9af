#include "game/BatchArguments.h"

#include <gtest/gtest.h>

#include <string>

namespace
{

TEST(BatchArguments, ValuesAreReadInOrderUntilOneIsMissingOrUnreadable)
{
    const std::string longWord(10000, 'w');
    struct Case
    {
        std::string text;
        int switchesGiven;
        std::optional<double> timeout;
        std::optional<std::string> folder;
    };
    const Case cases[] = {
        {"1 0 1 0 1 0 1 2.5 levels/batch", 7, 2.5, "levels/batch"},
        {"  1 0 1\t0 1 0 -1   30 c:/x  trailing", 7, 30.0, "c:/x"},
        {"1 0 1", 3, std::nullopt, std::nullopt},
        {"1 0 1 0 1 0 1 2.5", 7, 2.5, std::nullopt},
        {"1 0 1 0 1 0 1 2.5 " + longWord, 7, 2.5, longWord},
        {"1 0 1 0 1 0 1 fast folder", 7, std::nullopt, std::nullopt},
        {"1 0 1 0 1 0 1 nan folder", 7, std::nullopt, std::nullopt},
        {"1 0 x 0 1 0 1 2.5 folder", 2, std::nullopt, std::nullopt},
        {"", 0, std::nullopt, std::nullopt},
    };
    for (const Case& c : cases)
    {
        SCOPED_TRACE(c.text.substr(0, 40));
        const BatchArguments arguments = ParseBatchArguments(c.text);
        for (int i = 0; i < BatchArguments::SwitchCount; ++i)
        {
            EXPECT_EQ(i < c.switchesGiven, arguments.switches[i].has_value()) << i;
        }
        EXPECT_EQ(c.timeout, arguments.solverTimeout);
        EXPECT_EQ(c.folder, arguments.folder);
    }
    const BatchArguments full = ParseBatchArguments("1 0 1 0 1 0 -1 2.5 f");
    const int expected[] = {1, 0, 1, 0, 1, 0, -1};
    for (int i = 0; i < BatchArguments::SwitchCount; ++i)
    {
        EXPECT_EQ(expected[i], full.switches[i]);
    }
    EXPECT_EQ(2147483647, ParseBatchArguments("99999999999").switches[0]);
}

} // namespace
