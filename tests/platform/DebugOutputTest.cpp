#include "platform/os/DebugOutput.h"

#include <gtest/gtest.h>

#include <string>

TEST(DebugOutputSink, ReplacedAndRestored)
{
    std::string seen;
    Platform::DebugOutputSink previous =
        Platform::SetDebugOutputSink([&seen](const char* text) { seen += text; });
    Platform::WriteDebugOutput("one\n");
    Platform::WriteDebugOutput(nullptr);
    {
        Platform::DebugOutputCapture capture;
        Platform::WriteDebugOutput("two");
        EXPECT_EQ(capture.Text(), "two");
        capture.Clear();
        EXPECT_EQ(capture.Text(), "");
    }
    Platform::WriteDebugOutput("three");
    Platform::SetDebugOutputSink(std::move(previous));
    EXPECT_EQ(seen, "one\nthree");
}

TEST(DebugOutputSink, DefaultWritesToStandardError)
{
    testing::internal::CaptureStderr();
    Platform::WriteDebugOutput("to stderr\n");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "to stderr\n");
}
