#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// Real input and window capture through the X server, for tests that drive another process's windows as
// a player does: the events travel through the server (XTest) exactly as a mouse's and a keyboard's would.
// Linked only by tests. One connection per object; main thread only.
namespace Platform::XTest
{

struct TopLevelWindow
{
    unsigned long id = 0;
    // The client area's top-left corner on the screen, and its size.
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

class XDisplayDriver
{
public:
    // Connects to $DISPLAY; null, with the reason in error, when there is no server or it lacks XTest.
    static std::unique_ptr<XDisplayDriver> Connect(std::string& error);
    ~XDisplayDriver();
    XDisplayDriver(const XDisplayDriver&) = delete;
    XDisplayDriver& operator=(const XDisplayDriver&) = delete;

    // Looks for a shown top-level window with the title, again every 50 ms, for at most seconds. False
    // when none appeared in time.
    bool FindWindow(const std::string& title, double seconds, TopLevelWindow& found);
    // The window's current client origin and size; false when it no longer exists.
    bool Refresh(TopLevelWindow& window);

    // The pointer to a screen point.
    void MovePointer(int x, int y);
    // Button 1 left, 2 middle, 3 right.
    void Button(int button, bool down);
    // A key by its X key symbol name ("a", "Escape", "Return"); false for an unknown name or a key the
    // keyboard map lacks.
    bool Key(const std::string& keysym, bool down);
    // Waits until the server has taken every request sent so far.
    void Sync();

    // What the server shows of the window's client area, as 0xAARRGGBB rows (alpha 0xFF), top row
    // first. False when the window is gone or not viewable.
    bool Capture(const TopLevelWindow& window, std::vector<std::uint32_t>& pixels, int& width, int& height);

private:
    explicit XDisplayDriver(void* display);

    void* m_display;
};

} // namespace Platform::XTest
