#pragma once

// OpenGL and SDL details shared by the device layer's sources; never included outside platform/gfx.

#include "platform/gfx/Records.h"
#include "platform/os/WindowAccess.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <memory>

namespace Platform::Gfx
{

// An OpenGL 3.3 core context with the hidden window it is made current on when no head's window is.
struct GlContext
{
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;

    // Null (traced) when SDL cannot make a 3.3 core context.
    static std::unique_ptr<GlContext> Make();
    ~GlContext();

    void MakeCurrent();
};

// Asks SDL for the pixel format and context every window of the layer shares.
void SetGlAttributes();

struct GlFormat
{
    GLenum internalFormat = 0;
    GLenum format = 0;
    GLenum type = 0;
};

// OpenGL storage of a render-target or depth format; internalFormat 0 when there is none.
GlFormat GlFormatOf(std::uint32_t format);

} // namespace Platform::Gfx
