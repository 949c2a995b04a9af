#include "platform/os/Cursor.h"

#include <SDL.h>

#include <atomic>

namespace Platform
{

namespace
{

std::atomic<int> g_DisplayCount{0};

} // namespace

int ShowCursor(bool show)
{
    const int count = show ? ++g_DisplayCount : --g_DisplayCount;
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0)
    {
        SDL_ShowCursor(count >= 0 ? SDL_ENABLE : SDL_DISABLE);
    }
    return count;
}

int CursorDisplayCount()
{
    return g_DisplayCount.load();
}

} // namespace Platform
