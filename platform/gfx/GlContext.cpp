#include "platform/gfx/GlContext.h"

#include "platform/gfx/Constants.h"
#include "platform/gfx/Trace.h"

#include <algorithm>
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

bool GlContext::MakeCurrent()
{
    if (SDL_GL_GetCurrentContext() == context && SDL_GL_GetCurrentWindow() != nullptr)
    {
        return false;
    }
    SDL_GL_MakeCurrent(window, context);
    return true;
}

bool GlContext::MakeCurrentOn(SDL_Window* target, bool& switched)
{
    switched = false;
    if (SDL_GL_GetCurrentContext() == context && SDL_GL_GetCurrentWindow() == target)
    {
        return true;
    }
    if (SDL_GL_MakeCurrent(target, context) != 0)
    {
        Trace(std::string("cannot make the OpenGL context current on the window: ") + SDL_GetError());
        return false;
    }
    switched = true;
    return true;
}

void GlContext::SetSwapInterval(SDL_Window* target, int interval)
{
    const std::uint32_t id = SDL_GetWindowID(target);
    auto found = std::find_if(swapIntervals_.begin(), swapIntervals_.end(),
                              [id](const auto& entry) { return entry.first == id; });
    if (found != swapIntervals_.end() && found->second == interval)
    {
        return;
    }
    SDL_GL_SetSwapInterval(interval);
    if (found != swapIntervals_.end())
    {
        found->second = interval;
    }
    else
    {
        swapIntervals_.emplace_back(id, interval);
    }
}

GlFormat GlFormatOf(std::uint32_t format)
{
    GlFormat gl;
    auto set = [&gl](GLenum internalFormat, GLenum layout, GLenum type) {
        gl.internalFormat = internalFormat;
        gl.format = layout;
        gl.type = type;
    };
    auto swizzle = [&gl](GLint r, GLint g, GLint b, GLint a) {
        gl.swizzle[0] = r;
        gl.swizzle[1] = g;
        gl.swizzle[2] = b;
        gl.swizzle[3] = a;
    };
    switch (format)
    {
    case Format::A8R8G8B8:
        set(GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV);
        break;
    case Format::X8R8G8B8:
        set(GL_RGBA8, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV);
        swizzle(GL_RED, GL_GREEN, GL_BLUE, GL_ONE);
        break;
    case Format::R5G6B5:
        set(GL_RGB565, GL_RGB, GL_UNSIGNED_SHORT_5_6_5);
        break;
    case Format::X1R5G5B5:
        set(GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV);
        swizzle(GL_RED, GL_GREEN, GL_BLUE, GL_ONE);
        break;
    case Format::A1R5G5B5:
        set(GL_RGB5_A1, GL_BGRA, GL_UNSIGNED_SHORT_1_5_5_5_REV);
        break;
    case Format::A4R4G4B4:
        set(GL_RGBA4, GL_BGRA, GL_UNSIGNED_SHORT_4_4_4_4_REV);
        break;
    case Format::A2R10G10B10:
        set(GL_RGB10_A2, GL_BGRA, GL_UNSIGNED_INT_2_10_10_10_REV);
        break;
    case Format::A8:
        set(GL_R8, GL_RED, GL_UNSIGNED_BYTE);
        swizzle(GL_ZERO, GL_ZERO, GL_ZERO, GL_RED);
        break;
    case Format::L8:
        set(GL_R8, GL_RED, GL_UNSIGNED_BYTE);
        swizzle(GL_RED, GL_RED, GL_RED, GL_ONE);
        break;
    case Format::A8L8:
        set(GL_RG8, GL_RG, GL_UNSIGNED_BYTE);
        swizzle(GL_RED, GL_RED, GL_RED, GL_GREEN);
        break;
    case Format::L16:
        set(GL_R16, GL_RED, GL_UNSIGNED_SHORT);
        swizzle(GL_RED, GL_RED, GL_RED, GL_ONE);
        break;
    case Format::R16F:
        set(GL_R16F, GL_RED, GL_HALF_FLOAT);
        swizzle(GL_RED, GL_ONE, GL_ONE, GL_ONE);
        break;
    case Format::G16R16F:
        set(GL_RG16F, GL_RG, GL_HALF_FLOAT);
        swizzle(GL_RED, GL_GREEN, GL_ONE, GL_ONE);
        break;
    case Format::A16B16G16R16F:
        set(GL_RGBA16F, GL_RGBA, GL_HALF_FLOAT);
        break;
    case Format::R32F:
        set(GL_R32F, GL_RED, GL_FLOAT);
        swizzle(GL_RED, GL_ONE, GL_ONE, GL_ONE);
        break;
    case Format::G32R32F:
        set(GL_RG32F, GL_RG, GL_FLOAT);
        swizzle(GL_RED, GL_GREEN, GL_ONE, GL_ONE);
        break;
    case Format::A32B32G32R32F:
        set(GL_RGBA32F, GL_RGBA, GL_FLOAT);
        break;
    case Format::Dxt1:
        set(GL_COMPRESSED_RGBA_S3TC_DXT1_EXT, 0, 0);
        gl.compressed = true;
        break;
    case Format::Dxt3:
        set(GL_COMPRESSED_RGBA_S3TC_DXT3_EXT, 0, 0);
        gl.compressed = true;
        break;
    case Format::Dxt5:
        set(GL_COMPRESSED_RGBA_S3TC_DXT5_EXT, 0, 0);
        gl.compressed = true;
        break;
    case Format::D16:
    case Format::D16Lockable:
        set(GL_DEPTH_COMPONENT16, GL_DEPTH_COMPONENT, GL_UNSIGNED_SHORT);
        break;
    case Format::D24X8:
        set(GL_DEPTH_COMPONENT24, GL_DEPTH_COMPONENT, GL_UNSIGNED_INT);
        break;
    case Format::D24S8:
    case Format::D24X4S4:
    case Format::D15S1:
        set(GL_DEPTH24_STENCIL8, GL_DEPTH_STENCIL, GL_UNSIGNED_INT_24_8);
        break;
    case Format::D32:
    case Format::D32FLockable:
        set(GL_DEPTH_COMPONENT32F, GL_DEPTH_COMPONENT, GL_FLOAT);
        break;
    case Format::D24FS8:
        set(GL_DEPTH32F_STENCIL8, GL_DEPTH_STENCIL, GL_FLOAT_32_UNSIGNED_INT_24_8_REV);
        break;
    default:
        break;
    }
    return gl;
}

} // namespace Platform::Gfx
