#include "platform/xtest/XDisplayDriver.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <bit>
#include <chrono>
#include <thread>

namespace Platform::XTest
{

namespace
{

Display* AsDisplay(void* display)
{
    return static_cast<Display*>(display);
}

// Windows that vanish between a query and the next request answer errors, which must not end the
// process as Xlib's default handler would.
int IgnoreErrors(Display*, XErrorEvent*)
{
    return 0;
}

std::string TitleOf(Display* display, Window window)
{
    const Atom netName = XInternAtom(display, "_NET_WM_NAME", True);
    const Atom utf8 = XInternAtom(display, "UTF8_STRING", True);
    if (netName != None && utf8 != None)
    {
        Atom type = None;
        int format = 0;
        unsigned long count = 0;
        unsigned long after = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, window, netName, 0, 1024, False, utf8, &type, &format, &count, &after,
                               &data) == Success &&
            data != nullptr)
        {
            std::string title(reinterpret_cast<char*>(data), count);
            XFree(data);
            return title;
        }
    }
    char* name = nullptr;
    if (XFetchName(display, window, &name) && name != nullptr)
    {
        std::string title(name);
        XFree(name);
        return title;
    }
    return {};
}

} // namespace

std::unique_ptr<XDisplayDriver> XDisplayDriver::Connect(std::string& error)
{
    Display* display = XOpenDisplay(nullptr);
    if (display == nullptr)
    {
        error = "no X server (is DISPLAY set?)";
        return nullptr;
    }
    int event = 0;
    int firstError = 0;
    int major = 0;
    int minor = 0;
    if (!XTestQueryExtension(display, &event, &firstError, &major, &minor))
    {
        XCloseDisplay(display);
        error = "the X server lacks the XTest extension";
        return nullptr;
    }
    XSetErrorHandler(&IgnoreErrors);
    return std::unique_ptr<XDisplayDriver>(new XDisplayDriver(display));
}

XDisplayDriver::XDisplayDriver(void* display) : m_display(display) {}

XDisplayDriver::~XDisplayDriver()
{
    XCloseDisplay(AsDisplay(m_display));
}

bool XDisplayDriver::FindWindow(const std::string& title, double seconds, TopLevelWindow& found)
{
    Display* display = AsDisplay(m_display);
    const auto end = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    for (;;)
    {
        Window root = 0;
        Window parent = 0;
        Window* children = nullptr;
        unsigned int count = 0;
        bool hit = false;
        if (XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count))
        {
            // Topmost first: the last child lies on top.
            for (unsigned int i = count; i-- > 0 && !hit;)
            {
                XWindowAttributes attributes;
                if (XGetWindowAttributes(display, children[i], &attributes) &&
                    attributes.map_state == IsViewable && TitleOf(display, children[i]) == title)
                {
                    found.id = children[i];
                    hit = Refresh(found);
                }
            }
            if (children != nullptr)
            {
                XFree(children);
            }
        }
        if (hit)
        {
            return true;
        }
        if (std::chrono::steady_clock::now() >= end)
        {
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

bool XDisplayDriver::Refresh(TopLevelWindow& window)
{
    Display* display = AsDisplay(m_display);
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window.id, &attributes))
    {
        return false;
    }
    Window child = 0;
    int x = 0;
    int y = 0;
    if (!XTranslateCoordinates(display, window.id, DefaultRootWindow(display), 0, 0, &x, &y, &child))
    {
        return false;
    }
    window.x = x;
    window.y = y;
    window.width = attributes.width;
    window.height = attributes.height;
    return true;
}

void XDisplayDriver::MovePointer(int x, int y)
{
    Display* display = AsDisplay(m_display);
    XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime);
    XFlush(display);
}

void XDisplayDriver::Button(int button, bool down)
{
    Display* display = AsDisplay(m_display);
    XTestFakeButtonEvent(display, static_cast<unsigned int>(button), down ? True : False, CurrentTime);
    XFlush(display);
}

bool XDisplayDriver::Key(const std::string& keysym, bool down)
{
    Display* display = AsDisplay(m_display);
    const KeySym symbol = XStringToKeysym(keysym.c_str());
    if (symbol == NoSymbol)
    {
        return false;
    }
    const KeyCode code = XKeysymToKeycode(display, symbol);
    if (code == 0)
    {
        return false;
    }
    XTestFakeKeyEvent(display, code, down ? True : False, CurrentTime);
    XFlush(display);
    return true;
}

void XDisplayDriver::Sync()
{
    XSync(AsDisplay(m_display), False);
}

bool XDisplayDriver::Capture(const TopLevelWindow& window, std::vector<std::uint32_t>& pixels, int& width,
                             int& height)
{
    Display* display = AsDisplay(m_display);
    TopLevelWindow now = window;
    if (!Refresh(now))
    {
        return false;
    }
    XImage* image = XGetImage(display, window.id, 0, 0, static_cast<unsigned>(now.width),
                              static_cast<unsigned>(now.height), AllPlanes, ZPixmap);
    if (image == nullptr)
    {
        return false;
    }
    width = now.width;
    height = now.height;
    pixels.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    const auto channel = [](unsigned long pixel, unsigned long mask) {
        const int shift = std::countr_zero(mask);
        return static_cast<std::uint32_t>(((pixel & mask) >> shift) * 255 / (mask >> shift));
    };
    for (int y = 0; y < height; ++y)
    {
        for (int x = 0; x < width; ++x)
        {
            const unsigned long pixel = XGetPixel(image, x, y);
            pixels[static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x)] =
                0xFF000000u | channel(pixel, image->red_mask) << 16 | channel(pixel, image->green_mask) << 8 |
                channel(pixel, image->blue_mask);
        }
    }
    XDestroyImage(image);
    return true;
}

} // namespace Platform::XTest
