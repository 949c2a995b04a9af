#include "foundation/Debug.h"

#include "platform/os/DebugOutput.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

TEST(DebugOutput, PassesTheFormattedTextOnUnchanged)
{
    Platform::DebugOutputCapture capture;
    BaseLib::DebugOutput("CBitmapFactory: Warning: failed to load: %s\n", "a.png");
    BaseLib::DebugOutput("%d windows", 3);
    EXPECT_EQ(capture.Text(), "CBitmapFactory: Warning: failed to load: a.png\n3 windows");
}

TEST(DebugOutput, CutsALongTextTo4095Characters)
{
    Platform::DebugOutputCapture capture;
    const std::string line(5000, 'x');
    BaseLib::DebugOutput("%s", line.c_str());
    EXPECT_EQ(capture.Text(), std::string(4095, 'x'));
}

TEST(DebugOutput, PiecesFromManyThreadsArriveWhole)
{
    Platform::DebugOutputCapture capture;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
    {
        threads.emplace_back([t] {
            for (int i = 0; i < 100; ++i)
            {
                BaseLib::DebugOutput("[%d:%03d]", t, i);
            }
        });
    }
    for (std::thread& thread : threads)
    {
        thread.join();
    }
    const std::string text = capture.Text();
    EXPECT_EQ(text.size(), 4u * 100u * 7u);
    for (std::size_t i = 0; i < text.size(); i += 7)
    {
        EXPECT_EQ(text[i], '[');
        EXPECT_EQ(text[i + 6], ']');
    }
}
