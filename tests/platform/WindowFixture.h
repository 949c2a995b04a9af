#pragma once

#include "platform/os/Messages.h"
#include "platform/os/Window.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

// Windows of recording classes: every message that reaches a procedure is kept, in order.
namespace WindowTest
{

struct Seen
{
    Platform::WindowHandle window;
    std::uint32_t message;
    Platform::MessageFirst first;
    Platform::MessageSecond second;

    bool operator==(const Seen&) const = default;
};

inline std::vector<Seen> seen;
inline bool refuseClose = false;

inline Platform::MessageResult Record(Platform::WindowHandle window, std::uint32_t message,
                                      Platform::MessageFirst first, Platform::MessageSecond second)
{
    seen.push_back(Seen{window, message, first, second});
    if (message == Platform::WM_CLOSE && refuseClose)
    {
        return 0;
    }
    return Platform::DefWindowProcA(window, message, first, second);
}

inline std::ostream& operator<<(std::ostream& out, const Seen& s)
{
    return out << "{msg 0x" << std::hex << s.message << ", first 0x" << s.first << ", second 0x"
               << static_cast<std::uint64_t>(s.second) << std::dec << "}";
}

// Runs the loop as the engine does until nothing but WM_PAINT is left (WM_PAINT is dispatched once,
// then the loop stops: an unvalidated window would give it for ever).
inline void Pump()
{
    Platform::Message message;
    for (int i = 0; i < 10000 && Platform::PeekMessageA(&message, nullptr, 0, 0, Platform::PM_REMOVE); ++i)
    {
        Platform::TranslateMessage(&message);
        Platform::DispatchMessageA(&message);
        if (message.message == Platform::WM_PAINT)
        {
            return;
        }
    }
}

// Registers the recording classes "Recorder" (CS_CLASSDC | CS_DBLCLKS) and "PlainRecorder" (no
// double clicks) and destroys every window it made at the end.
class WindowFixture : public ::testing::Test
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
        seen.clear();
        refuseClose = false;
        Platform::WindowClass record;
        record.style = Platform::CS_CLASSDC | Platform::CS_DBLCLKS;
        record.procedure = &Record;
        record.className = "Recorder";
        ASSERT_NE(Platform::RegisterClassExA(&record), 0);
        record.style = 0;
        record.className = "PlainRecorder";
        ASSERT_NE(Platform::RegisterClassExA(&record), 0);
    }

    void TearDown() override
    {
        refuseClose = false;
        for (Platform::WindowHandle window : m_windows)
        {
            Platform::DestroyWindow(window);
        }
        Platform::UnregisterClassA("Recorder", nullptr);
        Platform::UnregisterClassA("PlainRecorder", nullptr);
    }

    Platform::WindowHandle Make(int x = 50, int y = 60, int width = 320, int height = 240,
                                const char* className = "Recorder")
    {
        Platform::WindowHandle window =
            Platform::CreateWindowExA(0, className, "test", Platform::WS_OVERLAPPEDWINDOW, x, y, width,
                                      height, Platform::GetDesktopWindow(), nullptr, nullptr, nullptr);
        EXPECT_NE(window, nullptr);
        m_windows.push_back(window);
        return window;
    }

    // The messages of the given numbers seen so far.
    static std::vector<Seen> SeenOf(std::initializer_list<std::uint32_t> numbers)
    {
        std::vector<Seen> result;
        for (const Seen& s : seen)
        {
            for (std::uint32_t n : numbers)
            {
                if (s.message == n)
                {
                    result.push_back(s);
                }
            }
        }
        return result;
    }

    std::vector<Platform::WindowHandle> m_windows;
};

} // namespace WindowTest
