#include "platform/os/Clipboard.h"

#include "platform/os/DebugOutput.h"

#include <SDL.h>

#include <string>

namespace Platform
{

namespace
{

bool clipboardOpen = false;

// SDL keeps the clipboard inside its video subsystem: take one reference and keep it.
bool ClipboardVideo()
{
    static const bool started = [] {
        if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
        {
            WriteDebugOutput((std::string("Clipboard: cannot start SDL video: ") + SDL_GetError() + "\n").c_str());
            return false;
        }
        return true;
    }();
    return started;
}

} // namespace

bool OpenClipboard()
{
    if (!ClipboardVideo())
    {
        return false;
    }
    clipboardOpen = true;
    return true;
}

bool EmptyClipboard()
{
    return clipboardOpen && SDL_SetClipboardText("") == 0;
}

bool SetClipboardText(const std::string& text)
{
    return clipboardOpen && SDL_SetClipboardText(text.c_str()) == 0;
}

std::string GetClipboardText()
{
    if (!clipboardOpen || SDL_HasClipboardText() != SDL_TRUE)
    {
        return std::string();
    }
    char* text = SDL_GetClipboardText();
    std::string result = text != nullptr ? text : "";
    SDL_free(text);
    return result;
}

bool CloseClipboard()
{
    const bool wasOpen = clipboardOpen;
    clipboardOpen = false;
    return wasOpen;
}

} // namespace Platform
