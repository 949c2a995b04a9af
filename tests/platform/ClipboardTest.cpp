#include "platform/os/Clipboard.h"
#include "platform/os/Messages.h"
#include "platform/os/Window.h"

#include <gtest/gtest.h>

#include <cstdlib>

using namespace Platform;

namespace
{

// SDL's offscreen driver keeps the clipboard inside the process, so tests running at the same time
// do not share it through the X display.
class Clipboard : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { setenv("SDL_VIDEODRIVER", "offscreen", 1); }
};

TEST_F(Clipboard, RoundTripsTextAndTheEmptyText)
{
    ASSERT_TRUE(OpenClipboard());
    EXPECT_TRUE(EmptyClipboard());
    EXPECT_EQ(GetClipboardText(), "");
    EXPECT_TRUE(SetClipboardText("Gr\xC3\xBC\xC3\x9F" "e"));
    EXPECT_EQ(GetClipboardText(), "Gr\xC3\xBC\xC3\x9F" "e");
    EXPECT_TRUE(SetClipboardText(""));
    EXPECT_EQ(GetClipboardText(), "");
    EXPECT_TRUE(CloseClipboard());
    EXPECT_FALSE(CloseClipboard());
    EXPECT_FALSE(SetClipboardText("closed"));
    EXPECT_EQ(GetClipboardText(), "");
}

MessageResult Plain(WindowHandle window, std::uint32_t message, MessageFirst first, MessageSecond second)
{
    return DefWindowProcA(window, message, first, second);
}

TEST_F(Clipboard, TextOutlivesTheLastWindow)
{
    WindowClass record;
    record.procedure = &Plain;
    record.className = "ClipboardHost";
    ASSERT_NE(RegisterClassExA(&record), 0);
    WindowHandle window = CreateWindowExA(0, "ClipboardHost", "clip", WS_OVERLAPPEDWINDOW, 0, 0, 64, 64,
                                          GetDesktopWindow(), nullptr, nullptr, nullptr);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(OpenClipboard());
    EXPECT_TRUE(SetClipboardText("kept"));
    CloseClipboard();
    DestroyWindow(window);
    UnregisterClassA("ClipboardHost", nullptr);

    ASSERT_TRUE(OpenClipboard());
    EXPECT_EQ(GetClipboardText(), "kept");
    CloseClipboard();
}

} // namespace
