#pragma once

// OpenGL and SDL details shared by the device layer's sources; never included outside platform/gfx.

#include "platform/gfx/Records.h"
#include "platform/os/WindowAccess.h"

#include <SDL.h>
#include <epoxy/gl.h>

#include <cstdint>
#include <memory>
#include <utility>
#include <vector>

namespace Platform::Gfx
{

// An OpenGL 3.3 core context with the hidden window it was made on. Every picture is drawn into the
// device's own framebuffers, which does not depend on the window the context is current on, so the
// context stays on the window it last presented to; the hidden window takes it only when no window of
// this thread has it (at creation, for a device without a head, after that window was destroyed or
// another context was made current).
struct GlContext
{
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;

    // Null (traced) when SDL cannot make a 3.3 core context.
    static std::unique_ptr<GlContext> Make();
    ~GlContext();

    // Makes the context current on this thread, on the hidden window only when it is current on no
    // window. True when it had to switch.
    bool MakeCurrent();
    // Makes the context current on the window unless it is already; switched tells whether it had to.
    // False (traced) when SDL refuses.
    bool MakeCurrentOn(SDL_Window* target, bool& switched);
    // Sets the swap interval of the window the context is current on, unless that window already has
    // it from an earlier call.
    void SetSwapInterval(SDL_Window* target, int interval);

private:
    // The interval set on each window (by SDL window id, which SDL never hands out twice).
    std::vector<std::pair<std::uint32_t, int>> swapIntervals_;
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
