#include "platform/os/MessageBox.h"
#include "platform/os/Cursor.h"
#include "platform/os/DebugOutput.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

using namespace Platform;

namespace
{

// Sets an environment variable for one test and restores it afterwards.
class ScopedEnvironment
{
public:
    ScopedEnvironment(const char* name, const char* value) : m_Name(name)
    {
        if (const char* old = std::getenv(name))
        {
            m_Old = old;
        }
        if (value != nullptr)
        {
            setenv(name, value, 1);
        }
        else
        {
            unsetenv(name);
        }
    }
    ~ScopedEnvironment()
    {
        if (m_Old)
        {
            setenv(m_Name.c_str(), m_Old->c_str(), 1);
        }
        else
        {
            unsetenv(m_Name.c_str());
        }
    }

private:
    std::string m_Name;
    std::optional<std::string> m_Old;
};

} // namespace

TEST(MessageBox, UnattendedAnswerGoesOnWithoutRepeating)
{
    const struct
    {
        std::uint32_t style;
        int answer;
    } cases[] = {
        {MessageBoxOk, MessageBoxAnswerOk},
        {MessageBoxOkCancel | MessageBoxDefaultButton2, MessageBoxAnswerOk},
        {MessageBoxAbortRetryIgnore, MessageBoxAnswerIgnore},
        {MessageBoxAbortRetryIgnore | MessageBoxDefaultButton2, MessageBoxAnswerIgnore},
        {MessageBoxRetryCancel, MessageBoxAnswerCancel},
        {MessageBoxYesNo, MessageBoxAnswerYes},
        {MessageBoxYesNo | MessageBoxDefaultButton2, MessageBoxAnswerNo},
        {MessageBoxYesNo | MessageBoxDefaultButton3, MessageBoxAnswerYes},
        {MessageBoxYesNoCancel | MessageBoxDefaultButton2, MessageBoxAnswerNo},
        {MessageBoxYesNoCancel | MessageBoxDefaultButton3 | MessageBoxIconQuestion, MessageBoxAnswerCancel},
        {0xE, MessageBoxAnswerOk},
    };
    for (const auto& c : cases)
    {
        EXPECT_EQ(UnattendedAnswer(c.style), c.answer) << std::hex << c.style;
    }
}

TEST(MessageBox, UnattendedRunTracesCaptionAndTextAndAnswersAtOnce)
{
    const ScopedEnvironment unattended(UnattendedVariable, "1");
    EXPECT_TRUE(IsUnattended());
    DebugOutputCapture capture;
    EXPECT_EQ(ShowMessageBox("disk full", "error", MessageBoxAbortRetryIgnore | MessageBoxIconError),
              MessageBoxAnswerIgnore);
    const std::string trace = capture.Text();
    EXPECT_NE(trace.find("\"error\""), std::string::npos) << trace;
    EXPECT_NE(trace.find("disk full"), std::string::npos) << trace;
    EXPECT_NE(trace.find("Ignore"), std::string::npos) << trace;
    EXPECT_EQ(ShowMessageBox(nullptr, nullptr, MessageBoxRetryCancel), MessageBoxAnswerCancel);
}

TEST(MessageBox, InvisibleVideoDriverCountsAsUnattended)
{
    const ScopedEnvironment attended(UnattendedVariable, "0");
    const ScopedEnvironment driver("SDL_VIDEODRIVER", "offscreen");
    EXPECT_FALSE(IsUnattended());
    DebugOutputCapture capture;
    EXPECT_EQ(ShowMessageBox("text", "caption", MessageBoxYesNo | MessageBoxDefaultButton2),
              MessageBoxAnswerNo);
    EXPECT_NE(capture.Text().find("text"), std::string::npos);
}

TEST(MessageBox, ScriptedAnswererTakesPrecedence)
{
    const ScopedEnvironment unattended(UnattendedVariable, "1");
    std::string seen;
    MessageBoxAnswerer previous =
        SetMessageBoxAnswerer([&seen](const char* text, const char* caption, std::uint32_t style) {
            seen = std::string(caption) + "|" + text + "|" + std::to_string(style);
            return MessageBoxAnswerRetry;
        });
    EXPECT_EQ(ShowMessageBox("t", "c", MessageBoxRetryCancel), MessageBoxAnswerRetry);
    EXPECT_EQ(seen, "c|t|5");
    SetMessageBoxAnswerer(std::move(previous));
    EXPECT_EQ(ShowMessageBox("t", "c", MessageBoxRetryCancel), MessageBoxAnswerCancel);
}

TEST(MessageBox, OwnedBoxKeepsItsCaptionAndTextForTests)
{
    const ScopedEnvironment unattended(UnattendedVariable, "1");
    EXPECT_EQ(MessageBoxA(nullptr, "DirectInput failed", "critical error", MessageBoxIconError),
              MessageBoxAnswerOk);
    EXPECT_EQ(LastMessageBoxCaption(), "critical error");
    EXPECT_EQ(LastMessageBoxText(), "DirectInput failed");
    MessageBoxAnswerer previous =
        SetMessageBoxAnswerer([](const char*, const char*, std::uint32_t) { return MessageBoxAnswerNo; });
    EXPECT_EQ(MessageBoxA(nullptr, "again?", "question", MessageBoxYesNo), MessageBoxAnswerNo);
    EXPECT_EQ(LastMessageBoxCaption(), "question");
    EXPECT_EQ(LastMessageBoxText(), "again?");
    SetMessageBoxAnswerer(std::move(previous));
}

TEST(Cursor, DisplayCounterNests)
{
    const int start = CursorDisplayCount();
    EXPECT_EQ(ShowCursor(true), start + 1);
    EXPECT_EQ(ShowCursor(false), start);
    EXPECT_EQ(ShowCursor(false), start - 1);
    EXPECT_EQ(ShowCursor(false), start - 2);
    EXPECT_EQ(CursorDisplayCount(), start - 2);
    EXPECT_EQ(ShowCursor(true), start - 1);
    EXPECT_EQ(ShowCursor(true), start);
}
