#include "foundation/Debug.h"

#include "platform/os/Cursor.h"
#include "platform/os/DebugOutput.h"
#include "platform/os/MessageBox.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
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

TEST(DebugMessageBox, TracesShowsAboveEverythingAndRestoresTheCursor)
{
    Platform::DebugOutputCapture capture;
    const int cursorBefore = Platform::CursorDisplayCount();
    std::string shown;
    std::uint32_t shownStyle = 0;
    int cursorDuring = 0;
    Platform::MessageBoxAnswerer previous =
        Platform::SetMessageBoxAnswerer([&](const char* text, const char* caption, std::uint32_t style) {
            shown = std::string(caption) + ":" + text;
            shownStyle = style;
            cursorDuring = Platform::CursorDisplayCount();
            return Platform::MessageBoxAnswerNo;
        });
    const int answer =
        BaseLib::DebugMessageBox(Platform::MessageBoxYesNo | Platform::MessageBoxIconWarning, "warning",
                                 "frame names in model are not unique!\tmodelfile = %s", "a.x");
    Platform::SetMessageBoxAnswerer(std::move(previous));

    EXPECT_EQ(answer, Platform::MessageBoxAnswerNo);
    EXPECT_EQ(shown, "warning:frame names in model are not unique!\tmodelfile = a.x");
    EXPECT_EQ(shownStyle, 0x51034u);
    EXPECT_EQ(cursorDuring, cursorBefore + 1);
    EXPECT_EQ(Platform::CursorDisplayCount(), cursorBefore);
    EXPECT_EQ(capture.Text(), "MB:\nframe names in model are not unique!\tmodelfile = a.x");
}

TEST(DebugMessageBox, CutsTheTextAt16383Characters)
{
    std::size_t shownLength = 0;
    Platform::MessageBoxAnswerer previous =
        Platform::SetMessageBoxAnswerer([&](const char* text, const char*, std::uint32_t) {
            shownLength = std::strlen(text);
            return Platform::MessageBoxAnswerOk;
        });
    Platform::DebugOutputCapture capture;
    const std::string text(20000, 'x');
    EXPECT_EQ(BaseLib::DebugMessageBox(0, "long", "%s", text.c_str()), Platform::MessageBoxAnswerOk);
    Platform::SetMessageBoxAnswerer(std::move(previous));
    EXPECT_EQ(shownLength, 16383u);
    EXPECT_EQ(capture.Text().size(), 4095u);
}

TEST(DebugMessageBox, UnattendedAnswersAbortRetryIgnoreWithIgnore)
{
    setenv(Platform::UnattendedVariable, "1", 1);
    Platform::DebugOutputCapture capture;
    EXPECT_EQ(BaseLib::DebugMessageBox(Platform::MessageBoxAbortRetryIgnore, "critical error", "code %d", 7),
              Platform::MessageBoxAnswerIgnore);
    EXPECT_EQ(capture.Text().rfind("MB:\ncode 7", 0), 0u) << capture.Text();
    EXPECT_NE(capture.Text().find("critical error"), std::string::npos);
}
