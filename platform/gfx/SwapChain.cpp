#include "platform/gfx/SwapChain.h"

#include "platform/gfx/Binding.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/GlContext.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/Trace.h"

namespace Platform::Gfx
{
namespace
{

// An SDL mode of the window's display with exactly this size, for a real full-screen mode change.
bool FindMode(SDL_Window* window, std::uint32_t width, std::uint32_t height, SDL_DisplayMode& found)
{
    const int display = SDL_GetWindowDisplayIndex(window);
    const int count = display >= 0 ? SDL_GetNumDisplayModes(display) : 0;
    for (int i = 0; i < count; ++i)
    {
        SDL_DisplayMode mode;
        if (SDL_GetDisplayMode(display, i, &mode) == 0 && static_cast<std::uint32_t>(mode.w) == width &&
            static_cast<std::uint32_t>(mode.h) == height)
        {
            found = mode;
            return true;
        }
    }
    return false;
}

} // namespace

SwapChain::SwapChain(Device& device, const PresentParameters& record, bool implicit)
    : DeviceChild(device, implicit), record_(record), implicit_(implicit)
{}

SwapChain::~SwapChain()
{
    if (backBuffer_)
    {
        backBuffer_->Drop();
    }
    if (autoDepth_)
    {
        autoDepth_->Drop();
    }
}

SwapChain* SwapChain::Make(Device& device, const PresentParameters& record, bool implicit)
{
    if (!SdlWindowOf(record.hDeviceWindow))
    {
        Trace("a swap chain needs a window");
        return nullptr;
    }
    auto* swapChain = new SwapChain(device, record, implicit);
    SurfaceDesc desc;
    desc.Format = record.BackBufferFormat;
    desc.Usage = Usage::RenderTarget;
    desc.MultiSampleType = record.MultiSampleType;
    desc.MultiSampleQuality = record.MultiSampleQuality;
    desc.Width = record.BackBufferWidth;
    desc.Height = record.BackBufferHeight;
    swapChain->backBuffer_ = Adopt(Surface::MakeRenderTarget(device, desc, true));
    if (record.EnableAutoDepthStencil)
    {
        desc.Format = record.AutoDepthStencilFormat;
        desc.Usage = Usage::DepthStencil;
        swapChain->autoDepth_ = Adopt(Surface::MakeDepthStencil(device, desc, true));
    }
    if (!swapChain->backBuffer_ || (record.EnableAutoDepthStencil && !swapChain->autoDepth_))
    {
        swapChain->Release();
        return nullptr;
    }
    swapChain->ApplyWindowMode();
    return swapChain;
}

void SwapChain::ApplyWindowMode()
{
    SDL_Window* window = SdlWindowOf(record_.hDeviceWindow);
    const auto width = static_cast<int>(record_.BackBufferWidth);
    const auto height = static_cast<int>(record_.BackBufferHeight);
    if (record_.Windowed)
    {
        SDL_SetWindowFullscreen(window, 0);
        SDL_SetWindowSize(window, width, height);
    }
    else
    {
        SDL_DisplayMode mode;
        if (FindMode(window, record_.BackBufferWidth, record_.BackBufferHeight, mode) &&
            SDL_SetWindowDisplayMode(window, &mode) == 0 &&
            SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN) == 0)
        {
            // A real mode of the display: the picture fills the screen one to one.
        }
        else if (SDL_SetWindowFullscreen(window, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0)
        {
            Trace(std::string("cannot make the window full screen: ") + SDL_GetError());
        }
    }
    // Mouse points arrive in back-buffer pixels whatever size the window's client area has.
    SetWindowPictureSize(record_.hDeviceWindow, width, height);
}

Result SwapChain::Present(const Rect* source, const Rect* destination, WindowHandle window, const void*,
                          std::uint32_t)
{
    Device& device = OwnerDevice();
    device.AssertThread();
    if (device.IsLost())
    {
        return DeviceLost;
    }
    ++device.Counters().presents;
    const WindowHandle shown = window ? window : record_.hDeviceWindow;
    SDL_Window* target = SdlWindowOf(shown);
    if (!target)
    {
        return InvalidCall;
    }
    // The context stays on this window afterwards: the next present into it needs no switch, and
    // drawing does not care which window the context is current on.
    if (!device.MakeCurrentOn(shown))
    {
        return InvalidCall;
    }
    device.SetSwapInterval(shown, record_.PresentationInterval);
    backBuffer_->Resolve();

    Rect from{0, 0, static_cast<std::int32_t>(record_.BackBufferWidth),
              static_cast<std::int32_t>(record_.BackBufferHeight)};
    if (source)
    {
        from = *source;
    }
    int windowWidth = 0;
    int windowHeight = 0;
    SDL_GL_GetDrawableSize(target, &windowWidth, &windowHeight);
    Rect to{0, 0, windowWidth, windowHeight};
    if (destination)
    {
        to = *destination;
    }
    glBindFramebuffer(GL_READ_FRAMEBUFFER, device.ReadFramebuffer());
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, backBuffer_->GlTexture(),
                           0);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    device.RenderStatesTouched();
    const bool sameSize =
        (from.right - from.left) == (to.right - to.left) && (from.bottom - from.top) == (to.bottom - to.top);
    // The back buffer holds its top row first; the window's rows count from the bottom.
    glBlitFramebuffer(from.left, from.top, from.right, from.bottom, to.left, windowHeight - to.top, to.right,
                      windowHeight - to.bottom, GL_COLOR_BUFFER_BIT, sameSize ? GL_NEAREST : GL_LINEAR);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    SDL_GL_SwapWindow(target);
    return Ok;
}

Result SwapChain::GetBackBuffer(std::uint32_t index, std::uint32_t type, Surface** surface)
{
    if (!surface || index != 0 || type != BackBufferTypeMono)
    {
        return InvalidCall;
    }
    backBuffer_->AddRef();
    *surface = backBuffer_;
    return Ok;
}

Result SwapChain::GetPresentParameters(PresentParameters* record) const
{
    if (!record)
    {
        return InvalidCall;
    }
    *record = record_;
    return Ok;
}

Result SwapChain::GetDisplayMode(DisplayMode* mode) const
{
    if (!mode)
    {
        return InvalidCall;
    }
    SDL_Window* window = SdlWindowOf(record_.hDeviceWindow);
    const int display = window ? SDL_GetWindowDisplayIndex(window) : 0;
    SDL_DisplayMode current;
    if (SDL_GetCurrentDisplayMode(display < 0 ? 0 : display, &current) != 0)
    {
        return NotAvailable;
    }
    *mode = {static_cast<std::uint32_t>(current.w), static_cast<std::uint32_t>(current.h),
             static_cast<std::uint32_t>(current.refresh_rate), Format::X8R8G8B8};
    return Ok;
}

std::string SwapChain::Describe() const
{
    return std::string(implicit_ ? "implicit" : "additional") + " swap chain " +
           std::to_string(record_.BackBufferWidth) + "x" + std::to_string(record_.BackBufferHeight);
}

bool SwapChain::BlocksReset() const
{
    return RefCount() > 0;
}

} // namespace Platform::Gfx
