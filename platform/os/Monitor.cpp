#include "platform/os/Monitor.h"

#include "platform/os/DeviceContextRecord.h"
#include "platform/os/WindowAccess.h"

#include <SDL.h>

#include <cmath>

namespace Platform
{

constexpr int kMaxDisplays = 16;

struct MonitorRecord
{
    int display = 0;
};

namespace
{

MonitorRecord monitors[kMaxDisplays] = {{0}, {1}, {2},  {3},  {4},  {5},  {6},  {7},
                                        {8}, {9}, {10}, {11}, {12}, {13}, {14}, {15}};
DeviceContextRecord contexts[kMaxDisplays] = {{0}, {1}, {2},  {3},  {4},  {5},  {6},  {7},
                                              {8}, {9}, {10}, {11}, {12}, {13}, {14}, {15}};
float overrideDpi[kMaxDisplays][2];
bool overridden[kMaxDisplays] = {};

// Holds SDL video for the length of one query.
class VideoForQuery
{
public:
    VideoForQuery() : m_started(SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {}
    ~VideoForQuery()
    {
        if (m_started)
        {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
        }
    }
    VideoForQuery(const VideoForQuery&) = delete;
    VideoForQuery& operator=(const VideoForQuery&) = delete;
    bool Started() const { return m_started; }

private:
    bool m_started;
};

int CountDisplays()
{
    const int count = SDL_GetNumVideoDisplays();
    return count < 0 ? 0 : (count > kMaxDisplays ? kMaxDisplays : count);
}

int Millimetres(int pixels, float dpi)
{
    if (!(dpi > 0.0f))
    {
        return 0;
    }
    return static_cast<int>(std::lround(pixels / static_cast<double>(dpi) * 25.4));
}

} // namespace

int DisplayCount()
{
    VideoForQuery video;
    return video.Started() ? CountDisplays() : 0;
}

MonitorHandle MonitorOfDisplay(int displayIndex)
{
    VideoForQuery video;
    if (!video.Started() || displayIndex < 0 || displayIndex >= CountDisplays())
    {
        return nullptr;
    }
    return &monitors[displayIndex];
}

DeviceContext GetDC(WindowHandle window)
{
    int display = 0;
    if (SDL_Window* sdl = SdlWindowOf(window))
    {
        display = SDL_GetWindowDisplayIndex(sdl);
        display = display < 0 || display >= kMaxDisplays ? 0 : display;
    }
    return &contexts[display];
}

int ReleaseDC(WindowHandle, DeviceContext)
{
    return 1;
}

bool EnumDisplayMonitors(DeviceContext, const WindowRect*, MonitorEnumProc callback, std::intptr_t data)
{
    VideoForQuery video;
    if (!video.Started() || callback == nullptr)
    {
        return false;
    }
    const int count = CountDisplays();
    for (int i = 0; i < count; ++i)
    {
        SDL_Rect bounds{};
        SDL_GetDisplayBounds(i, &bounds);
        WindowRect rect{bounds.x, bounds.y, bounds.x + bounds.w, bounds.y + bounds.h};
        if (!callback(&monitors[i], &contexts[i], &rect, data))
        {
            break;
        }
    }
    return count > 0;
}

int GetDeviceCaps(DeviceContext context, std::int32_t index)
{
    if (context == nullptr)
    {
        return 0;
    }
    VideoForQuery video;
    const int display = context->display;
    SDL_Rect bounds{};
    if (!video.Started() || display >= CountDisplays() || SDL_GetDisplayBounds(display, &bounds) != 0)
    {
        return 0;
    }
    float horizontal = 0.0f;
    float vertical = 0.0f;
    if (overridden[display])
    {
        horizontal = overrideDpi[display][0];
        vertical = overrideDpi[display][1];
    }
    else if (SDL_GetDisplayDPI(display, nullptr, &horizontal, &vertical) != 0)
    {
        horizontal = vertical = 0.0f;
    }
    switch (index)
    {
    case HORZSIZE:
        return Millimetres(bounds.w, horizontal);
    case VERTSIZE:
        return Millimetres(bounds.h, vertical);
    case HORZRES:
        return bounds.w;
    case VERTRES:
        return bounds.h;
    default:
        return 0;
    }
}

void OverrideDisplayDpi(int displayIndex, float horizontalDpi, float verticalDpi)
{
    if (displayIndex < 0 || displayIndex >= kMaxDisplays)
    {
        return;
    }
    overridden[displayIndex] = horizontalDpi >= 0.0f && verticalDpi >= 0.0f;
    overrideDpi[displayIndex][0] = horizontalDpi;
    overrideDpi[displayIndex][1] = verticalDpi;
}

} // namespace Platform
