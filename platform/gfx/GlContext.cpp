#include "platform/gfx/GlContext.h"

#include "platform/gfx/Constants.h"
#include "platform/gfx/Trace.h"

#include <cstdint>
#include <string>

namespace Platform::Gfx
{

void SetGlAttributes()
{
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    // Every picture is drawn off screen; the windows only receive finished pictures.
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
}

std::unique_ptr<GlContext> GlContext::Make()
{
    SetGlAttributes();
    auto context = std::make_unique<GlContext>();
    context->window = SDL_CreateWindow("", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 1, 1,
                                       SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!context->window)
    {
        Trace(std::string("no window for an OpenGL context: ") + SDL_GetError());
        return nullptr;
    }
    context->context = SDL_GL_CreateContext(context->window);
    if (!context->context)
    {
        Trace(std::string("no OpenGL 3.3 core context: ") + SDL_GetError());
        return nullptr;
    }
    if (epoxy_gl_version() < 33 || !epoxy_is_desktop_gl())
    {
        Trace("the OpenGL context is older than 3.3");
        return nullptr;
    }
    return context;
}

GlContext::~GlContext()
{
    if (context)
    {
        if (SDL_GL_GetCurrentContext() == context)
        {
            SDL_GL_MakeCurrent(nullptr, nullptr);
        }
        SDL_GL_DeleteContext(context);
    }
    if (window)
    {
        SDL_DestroyWindow(window);
    }
}

void GlContext::MakeCurrent()
{
    if (SDL_GL_GetCurrentContext() != context || SDL_GL_GetCurrentWindow() == nullptr)
    {
        SDL_GL_MakeCurrent(window, context);
    }
}

GlFormat GlFormatOf(std::uint32_t format)
{
    switch (format)
    {
    case Format::A8R8G8B8:
    case Format::X8R8G8B8:
        return {GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV};
    case Format::R5G6B5:
        return {GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5};
    case Format::X1R5G5B5:
    case Format::A1R5G5B5:
        return {GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV};
    case Format::A4R4G4B4:
        return {GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV};
    case Format::A2R10G10B10:
        return {GL_RGB10_A2, GL_BGRA, GL_UNSIGNED_INT_2_10_10_10_REV};
    case Format::D16:
    case Format::D16Lockable:
        return {GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT};
    case Format::D24X8:
        return {GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT};
    case Format::D24S8:
    case Format::D24X4S4:
    case Format::D15S1:
        return {GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8};
    case Format::D32:
    case Format::D32FLockable:
        return {GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT};
    case Format::D24FS8:
        return {GL_DEPTH32F_STENCIL8, GL_DEPTH_STENCIL, GL_FLOAT_32_UNSIGNED_INT_24_8_REV};
    default:
        return {};
    }
}

} // namespace Platform::Gfx
