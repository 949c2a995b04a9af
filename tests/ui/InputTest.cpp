#include "UiFixture.h"

#include "platform/os/EventInjection.h"
#include "platform/os/KeyState.h"
#include "platform/os/Messages.h"
#include "platform/os/Window.h"

#include <cstdlib>

using namespace Platform;
using UILib::CWindowMessage;
using UILib::CWindowManager;

namespace
{

std::uint8_t heldModifiers = 0;
std::uint8_t HeldModifiersDouble()
{
    return heldModifiers;
}

MessageResult HostProcedure(WindowHandle window, std::uint32_t message, MessageFirst first, MessageSecond second)
{
    if (CWindowManager* manager = CWindowManager::GetInstance())
    {
        manager->TranslateInput(window, message, first, second);
    }
    return DefWindowProcA(window, message, first, second);
}

// A hidden platform window whose procedure hands every message to TranslateInput, as the framework
// does, and one layer with a root window that handles (and records) everything.
class Input : public UiTest::UiFixture
{
protected:
    static void SetUpTestSuite()
    {
        // Without a display the tests still run, on SDL's offscreen driver.
        if (std::getenv("DISPLAY") == nullptr && std::getenv("SDL_VIDEODRIVER") == nullptr)
        {
            setenv("SDL_VIDEODRIVER", "offscreen", 1);
        }
    }

    void SetUp() override
    {
        WindowClass record;
        record.style = CS_DBLCLKS;
        record.procedure = &HostProcedure;
        record.className = "UiInputHost";
        ASSERT_NE(RegisterClassExA(&record), 0);
        host = CreateWindowExA(0, "UiInputHost", "ui", WS_OVERLAPPEDWINDOW, 0, 0, 320, 240, GetDesktopWindow(),
                               nullptr, nullptr, nullptr);
        ASSERT_NE(host, nullptr);
        root = new UiTest::CTestWindow("root");
        root->SetSize(320, 240);
        root->onMessage = [](const CWindowMessage&) { return true; };
        manager->AddLayer(root);
        root->Activate();
        heldModifiers = 0;
    }

    void TearDown() override
    {
        CWindowManager::SetModifierReader(nullptr);
        UiFixture::TearDown();
        DestroyWindow(host);
        UnregisterClassA("UiInputHost", nullptr);
    }

    void Pump()
    {
        Message message;
        for (int i = 0; i < 1000 && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE); ++i)
        {
            TranslateMessage(&message);
            DispatchMessageA(&message);
            if (message.message == WM_PAINT)
            {
                ValidateRect(host, nullptr);
            }
        }
    }

    std::vector<CWindowMessage> ReceivedOf(const char* code) const
    {
        std::vector<CWindowMessage> result;
        for (const CWindowMessage& message : root->received)
        {
            if (message.Is(code))
            {
                result.push_back(message);
            }
        }
        return result;
    }

    WindowHandle host = nullptr;
    UiTest::CTestWindow* root = nullptr;
};

struct TranslationCase
{
    const char* name;
    std::uint32_t message;
    MessageFirst first;
    MessageSecond second;
    std::uint8_t held;
    const char* code; // nullptr: nothing delivered
    std::uint32_t expectedFirst;
    std::uint32_t expectedSecond;
    bool result;
};

TEST_F(Input, TranslationTable)
{
    CWindowManager::SetModifierReader(&HeldModifiersDouble);
    const MessageSecond at56 = static_cast<MessageSecond>(CWindowMessage::PackPoint(5, 6));
    const TranslationCase cases[] = {
        {"Return", WM_KEYDOWN, VK_RETURN, 0, 0, "sKeyDown", 260, 0, false},
        {"F1", WM_KEYDOWN, VK_F1, 0, 0, "sKeyDown", 302, 0, false},
        {"F12", WM_KEYDOWN, VK_F1 + 11, 0, 0, "sKeyDown", 313, 0, false},
        {"numeric pad 0", WM_KEYDOWN, VK_NUMPAD0, 0, 0, "sKeyDown", 286, 0, false},
        {"Backspace", WM_KEYDOWN, VK_BACK, 0, 0, "sKeyDown", 257, 0, false},
        {"Page Up", WM_KEYDOWN, VK_PRIOR, 0, 0, "sKeyDown", 268, 0, false},
        {"Delete", WM_KEYDOWN, VK_DELETE, 0, 0, "sKeyDown", 281, 0, false},
        {"A unchanged", WM_KEYDOWN, 'A', 0, 0, "sKeyDown", 'A', 0, false},
        {"system key Left with Alt", WM_SYSKEYDOWN, VK_LEFT, 0, 4, "sKeyDown", 272, 4, false},
        {"key up raw", WM_KEYUP, VK_RETURN, 0, 1, "sKeyUp", VK_RETURN, 1, false},
        {"Shift + A", WM_CHAR, 'A', 0, 1, "sCharKey", 'A', 0, false},
        {"Control + character 3", WM_CHAR, 3, 0, 2, nullptr, 0, 0, false},
        {"Alt + a", WM_CHAR, 'a', 0, 4, nullptr, 0, 0, false},
        {"Control + Alt + @", WM_CHAR, '@', 0, 6, "sCharKey", '@', 0, false},
        {"middle double click", WM_MBUTTONDBLCLK, 0, at56, 0, nullptr, 0, 0, true},
        {"wheel", WM_MOUSEWHEEL, static_cast<MessageFirst>(static_cast<std::uint16_t>(-120)) << 16,
         at56, 2, "MWheel", CWindowMessage::PackPoint(5, 6), 0xFF880002u, false},
        {"right double click", WM_RBUTTONDBLCLK, 0, at56, 0, "MRBDbl", CWindowMessage::PackPoint(5, 6), 0, false},
        {"not an input message", WM_ACTIVATE, WA_ACTIVE, 0, 0, nullptr, 0, 0, true},
    };
    for (const TranslationCase& c : cases)
    {
        SCOPED_TRACE(c.name);
        root->received.clear();
        heldModifiers = c.held;
        EXPECT_EQ(manager->TranslateInput(host, c.message, c.first, c.second), c.result);
        if (c.code == nullptr)
        {
            EXPECT_TRUE(root->received.empty());
            continue;
        }
        ASSERT_EQ(root->received.size(), 1u);
        const CWindowMessage& got = root->received[0];
        EXPECT_TRUE(got.Is(c.code)) << std::string(got.code, 8);
        EXPECT_EQ(got.first, c.expectedFirst);
        EXPECT_EQ(got.second, c.expectedSecond);
        EXPECT_TRUE(got.IsInput());
    }
}

TEST_F(Input, MovesAreFilteredAndButtonsTakeThePlatformCapture)
{
    const MessageSecond at = static_cast<MessageSecond>(CWindowMessage::PackPoint(30, 40));
    EXPECT_FALSE(manager->TranslateInput(host, WM_MOUSEMOVE, 0, at));
    EXPECT_FALSE(manager->TranslateInput(host, WM_MOUSEMOVE, 0, at));
    EXPECT_EQ(ReceivedOf("MMove").size(), 1u);
    EXPECT_EQ(manager->GetLastMousePosition(), BaseLib::CPoint(30, 40));

    EXPECT_FALSE(manager->TranslateInput(host, WM_LBUTTONDOWN, MK_LBUTTON, at));
    EXPECT_EQ(GetCapture(), host);
    EXPECT_FALSE(manager->TranslateInput(host, WM_LBUTTONUP, 0, at));
    EXPECT_EQ(GetCapture(), nullptr);

    // A move over no window is dropped and leaves the last position, so the move back is not filtered.
    const MessageSecond outside = static_cast<MessageSecond>(CWindowMessage::PackPoint(-3, 40));
    manager->TranslateInput(host, WM_MOUSEMOVE, 0, outside);
    EXPECT_EQ(manager->GetLastMousePosition(), BaseLib::CPoint(30, 40));
    manager->TranslateInput(host, WM_MOUSEMOVE, 0, at);
    EXPECT_EQ(ReceivedOf("MMove").size(), 1u) << "same point as the last delivered one";
}

TEST_F(Input, EndToEndThroughThePlatformQueue)
{
    InjectKey(host, "Left Ctrl", true);
    InjectKey(host, "C", true);
    InjectKey(host, "C", false);
    InjectKey(host, "Left Ctrl", false);
    Pump();
    EXPECT_TRUE(ReceivedOf("sCharKey").empty());
    const auto keyDowns = ReceivedOf("sKeyDown");
    ASSERT_EQ(keyDowns.size(), 2u);
    EXPECT_EQ(keyDowns[1].first, static_cast<std::uint32_t>('C'));
    EXPECT_EQ(keyDowns[1].GetModifiers(), CWindowMessage::Control);

    root->received.clear();
    InjectKey(host, "Right Alt", true, false, "ModeSwitch");
    InjectKey(host, "Q", true);
    InjectText(host, "@");
    Pump();
    InjectKey(host, "Q", false);
    InjectKey(host, "Right Alt", false, false, "ModeSwitch");
    Pump();
    const auto characters = ReceivedOf("sCharKey");
    ASSERT_EQ(characters.size(), 1u);
    EXPECT_EQ(characters[0].first, static_cast<std::uint32_t>('@'));

    InjectMouseButton(host, InjectedButton::Left, true, 10, 20);
    InjectMouseButton(host, InjectedButton::Left, false, 10, 20);
    Pump();
    const auto downs = ReceivedOf("MLBDwn");
    const auto ups = ReceivedOf("MLBUp");
    ASSERT_EQ(downs.size(), 1u);
    ASSERT_EQ(ups.size(), 1u);
    EXPECT_EQ(downs[0].first, CWindowMessage::PackPoint(10, 20));
    EXPECT_EQ(ups[0].first, CWindowMessage::PackPoint(10, 20));
    EXPECT_EQ(GetCapture(), nullptr);
}

} // namespace
