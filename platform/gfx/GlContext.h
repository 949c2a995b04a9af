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
    GLenum format = 0; // with type: how the engine's memory layout is handed to OpenGL
    GLenum type = 0;
    bool compressed = false;
    // Where sampling takes each channel from, so that formats without a channel read it as the
    // engine expects (X8R8G8B8 alpha 1, L8 grey, A8 alpha only).
    GLint swizzle[4] = {GL_RED, GL_GREEN, GL_BLUE, GL_ALPHA};
};

// OpenGL storage of a format; internalFormat 0 when there is none.
GlFormat GlFormatOf(std::uint32_t format);

} // namespace Platform::Gfx
