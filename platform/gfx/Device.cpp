#include "platform/gfx/Device.h"

#include "platform/gfx/AdapterProfile.h"
#include "platform/gfx/Binding.h"
#include "platform/gfx/Buffer.h"
#include "platform/gfx/DeviceChild.h"
#include "platform/gfx/GlContext.h"
#include "platform/gfx/Graphics.h"
#include "platform/gfx/PixelFormat.h"
#include "platform/gfx/Shader.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/SwapChain.h"
#include "platform/gfx/Texture.h"
#include "platform/gfx/Trace.h"
#include "platform/gfx/VertexDeclaration.h"

#include <algorithm>
#include <bit>
#include <cassert>

namespace Platform::Gfx
{
namespace
{

std::uint32_t FloatBits(float value)
{
    return std::bit_cast<std::uint32_t>(value);
}

} // namespace

// The render states' values after creation and after every reset.
std::array<std::uint32_t, RenderStateCount> DefaultRenderStates(bool depthBuffer)
{
    namespace RS = RenderState;
    std::array<std::uint32_t, RenderStateCount> states{};
    states[RS::ZEnable] = depthBuffer ? 1 : 0;
    states[RS::FillMode] = Fill::Solid;
    states[RS::ShadeMode] = 2; // Gouraud
    states[RS::ZWriteEnable] = 1;
    states[RS::LastPixel] = 1;
    states[RS::SrcBlend] = Blend::One;
    states[RS::DestBlend] = Blend::Zero;
    states[RS::CullMode] = Cull::CounterClockwise;
    states[RS::ZFunc] = Compare::LessEqual;
    states[RS::AlphaFunc] = Compare::Always;
    states[RS::FogEnd] = FloatBits(1.0f);
    states[RS::FogDensity] = FloatBits(1.0f);
    states[RS::StencilFail] = StencilOperation::Keep;
    states[RS::StencilZFail] = StencilOperation::Keep;
    states[RS::StencilPass] = StencilOperation::Keep;
    states[RS::StencilFunc] = Compare::Always;
    states[RS::StencilMask] = 0xFFFFFFFFu;
    states[RS::StencilWriteMask] = 0xFFFFFFFFu;
    states[RS::TextureFactor] = 0xFFFFFFFFu;
    states[RS::Clipping] = 1;
    states[RS::Lighting] = 1;
    states[RS::ColorVertex] = 1;
    states[RS::LocalViewer] = 1;
    states[RS::DiffuseMaterialSource] = 1;  // first vertex colour
    states[RS::SpecularMaterialSource] = 2; // second vertex colour
    states[RS::PointSize] = FloatBits(1.0f);
    states[RS::PointSizeMin] = FloatBits(1.0f);
    states[RS::PointScaleA] = FloatBits(1.0f);
    states[RS::MultiSampleAntialias] = 1;
    states[RS::MultiSampleMask] = 0xFFFFFFFFu;
    states[RS::DebugMonitorToken] = 0xF;
    states[RS::PointSizeMax] = FloatBits(64.0f);
    states[RS::ColorWriteEnable] = 0xF;
    states[RS::BlendOp] = BlendOperation::Add;
    states[RS::PositionDegree] = 3; // cubic
    states[RS::NormalDegree] = 1;   // linear
    states[RS::MinTessellationLevel] = FloatBits(1.0f);
    states[RS::MaxTessellationLevel] = FloatBits(1.0f);
    states[RS::AdaptiveTessZ] = FloatBits(1.0f);
    states[RS::CcwStencilFail] = StencilOperation::Keep;
    states[RS::CcwStencilZFail] = StencilOperation::Keep;
    states[RS::CcwStencilPass] = StencilOperation::Keep;
    states[RS::CcwStencilFunc] = Compare::Always;
    states[RS::ColorWriteEnable1] = 0xF;
    states[RS::ColorWriteEnable2] = 0xF;
    states[RS::ColorWriteEnable3] = 0xF;
    states[RS::BlendFactor] = 0xFFFFFFFFu;
    states[RS::SrcBlendAlpha] = Blend::One;
    states[RS::DestBlendAlpha] = Blend::Zero;
    states[RS::BlendOpAlpha] = BlendOperation::Add;
    return states;
}

namespace
{

Rect Intersect(const Rect& a, const Rect& b)
{
    Rect r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
           std::min(a.bottom, b.bottom)};
    if (r.right < r.left)
    {
        r.right = r.left;
    }
    if (r.bottom < r.top)
    {
        r.bottom = r.top;
    }
    return r;
}

Rect WholeOf(const Surface* surface)
{
    if (!surface)
    {
        return {};
    }
    return {0, 0, static_cast<std::int32_t>(surface->Desc().Width),
            static_cast<std::int32_t>(surface->Desc().Height)};
}

bool HasStencil(std::uint32_t depthFormat)
{
    return GlFormatOf(depthFormat).format == GL_DEPTH_STENCIL;
}

} // namespace

Device::Device(Graphics& graphics, const AdapterProfile& profile)
    : graphics_(&graphics), profile_(std::make_unique<AdapterProfile>(profile)),
      thread_(std::this_thread::get_id())
{
    graphics_->Hold();
}

Device::~Device()
{
    for (auto& [fvf, declaration] : fvfDeclarations_)
    {
        declaration->Drop();
    }
    fvfDeclarations_.clear();
    if (context_)
    {
        MakeCurrent();
        DropGeneratedShaders();
        DeleteDrawObjects();
        // Objects still listed belong to owners that outlive the device through a caller's leak;
        // their storage goes with the context.
        for (DeviceChild* child : children_)
        {
            child->FreeGlObjects();
        }
        const GLuint framebuffers[] = {drawFramebuffer_, readFramebuffer_, copyFramebuffer_};
        glDeleteFramebuffers(3, framebuffers);
        context_.reset();
    }
    graphics_->Drop();
}

Result Device::Create(Graphics& graphics, const AdapterProfile& profile, std::uint32_t adapter,
                      std::uint32_t deviceType, WindowHandle focusWindow, std::uint32_t behaviorFlags,
                      PresentParameters* records, Device** device)
{
    const std::uint32_t count = (behaviorFlags & CreateFlag::AdapterGroupDevice)
                                    ? std::max(1u, profile.caps.NumberOfAdaptersInGroup)
                                    : 1;
    for (std::uint32_t i = 0; i < count; ++i)
    {
        if (!records[i].hDeviceWindow)
        {
            records[i].hDeviceWindow = focusWindow;
        }
    }
    auto* created = new Device(graphics, profile);
    created->creation_ = {adapter, deviceType, focusWindow, behaviorFlags};
    created->context_ = GlContext::Make();
    if (!created->context_)
    {
        created->Release();
        return NotAvailable;
    }
    created->MakeCurrent();
    glGenFramebuffers(1, &created->drawFramebuffer_);
    glGenFramebuffers(1, &created->readFramebuffer_);
    glGenFramebuffers(1, &created->copyFramebuffer_);
    created->CreateDrawObjects();
    created->implicitCount_ = count;
    const Result built = created->BuildSwapChains(records, count);
    if (Failed(built))
    {
        created->Release();
        return built;
    }
    *device = created;
    return Ok;
}

void Device::MakeCurrent()
{
    if (context_->MakeCurrent())
    {
        ++counters_.contextSwitches;
    }
}

bool Device::MakeCurrentOn(WindowHandle window)
{
    SDL_Window* target = SdlWindowOf(window);
    bool switched = false;
    const bool current = target && context_->MakeCurrentOn(target, switched);
    if (switched)
    {
        ++counters_.contextSwitches;
    }
    return current;
}

void Device::SetSwapInterval(WindowHandle window, std::uint32_t presentationInterval)
{
    if (SDL_Window* target = SdlWindowOf(window))
    {
        context_->SetSwapInterval(target, presentationInterval == PresentInterval::Immediate ? 0 : 1);
    }
}

void Device::AssertThread() const
{
    assert(std::this_thread::get_id() == thread_ && "device called from another thread");
}

void Device::RegisterChild(DeviceChild* child)
{
    children_.push_back(child);
}

void Device::UnregisterChild(DeviceChild* child)
{
    const auto found = std::find(children_.begin(), children_.end(), child);
    if (found != children_.end())
    {
        children_.erase(found);
    }
}

void Device::OnUnreferenced()
{
    DropBindings();
    ReleaseImplicitObjects();
}

Result Device::ValidateRecord(PresentParameters& record) const
{
    SDL_Window* window = SdlWindowOf(record.hDeviceWindow);
    if (!window)
    {
        Trace("presentation record without a window");
        return InvalidCall;
    }
    if (record.BackBufferFormat == Format::Unknown)
    {
        record.BackBufferFormat = Format::X8R8G8B8;
    }
    if (record.BackBufferFormat != Format::X8R8G8B8 && record.BackBufferFormat != Format::A8R8G8B8)
    {
        Trace("back-buffer format " + std::to_string(record.BackBufferFormat) + " refused");
        return InvalidCall;
    }
    if (record.BackBufferCount > 3)
    {
        Trace("more than 3 back buffers refused");
        return InvalidCall;
    }
    record.BackBufferCount = std::max(1u, record.BackBufferCount);
    if (record.EnableAutoDepthStencil && !IsDepthFormat(record.AutoDepthStencilFormat))
    {
        Trace("depth-stencil format " + std::to_string(record.AutoDepthStencilFormat) + " refused");
        return InvalidCall;
    }
    if (record.MultiSampleType != MultiSample::None)
    {
        if (!MultiSampleAllowed(record.BackBufferFormat, record.MultiSampleType, record.MultiSampleQuality))
        {
            Trace("multisampling " + std::to_string(record.MultiSampleType) + " quality " +
                  std::to_string(record.MultiSampleQuality) + " refused");
            return InvalidCall;
        }
    }
    if (record.BackBufferWidth == 0 || record.BackBufferHeight == 0)
    {
        int width = 0;
        int height = 0;
        SDL_GetWindowSize(window, &width, &height);
        record.BackBufferWidth =
            record.BackBufferWidth ? record.BackBufferWidth : static_cast<std::uint32_t>(width);
        record.BackBufferHeight =
            record.BackBufferHeight ? record.BackBufferHeight : static_cast<std::uint32_t>(height);
    }
    if (record.BackBufferWidth == 0 || record.BackBufferHeight == 0)
    {
        return InvalidCall;
    }
    return Ok;
}

Result Device::BuildSwapChains(PresentParameters* records, std::uint32_t count)
{
    for (std::uint32_t i = 0; i < count; ++i)
    {
        const Result valid = ValidateRecord(records[i]);
        if (Failed(valid))
        {
            return valid;
        }
    }
    for (std::uint32_t i = 0; i < count; ++i)
    {
        SwapChain* swapChain = Adopt(SwapChain::Make(*this, records[i], true));
        if (!swapChain)
        {
            ReleaseImplicitObjects();
            return OutOfVideoMemory;
        }
        swapChains_.push_back(swapChain);
    }
    Rebind(renderTarget_, swapChains_[0]->BackBuffer());
    Rebind(depthStencil_, swapChains_[0]->AutoDepthStencil());
    targetsDirty_ = true;
    ResetStates();
    return Ok;
}

void Device::ReleaseImplicitObjects()
{
    std::vector<SwapChain*> swapChains;
    swapChains.swap(swapChains_);
    for (SwapChain* swapChain : swapChains)
    {
        swapChain->Drop();
    }
}

void Device::DropBindings()
{
    Rebind<Surface>(renderTarget_, nullptr);
    Rebind<Surface>(depthStencil_, nullptr);
    for (BaseTexture*& texture : textures_)
    {
        Rebind<BaseTexture>(texture, nullptr);
    }
    for (Stream& stream : streams_)
    {
        Rebind<VertexBuffer>(stream.buffer, nullptr);
        stream = {};
    }
    Rebind<IndexBuffer>(indices_, nullptr);
    Rebind<VertexDeclaration>(declaration_, nullptr);
    fvf_ = 0;
    Rebind<Shader>(vertexShader_, nullptr);
    Rebind<Shader>(pixelShader_, nullptr);
    targetsDirty_ = true;
    inScene_ = false;
}

void Device::ResetStates()
{
    defaultStates_ = DefaultRenderStates(depthStencil_ != nullptr);
    renderStates_ = defaultStates_;
    const Rect whole = WholeOf(renderTarget_);
    viewport_ = {0,    0,   static_cast<std::uint32_t>(whole.right), static_cast<std::uint32_t>(whole.bottom),
                 0.0f, 1.0f};
    scissor_ = whole;
    softwareVertexProcessing_ = (creation_.BehaviorFlags & CreateFlag::SoftwareVertexProcessing) != 0;
    ResetDrawStates();
}

bool Device::FullScreenWindowInactive()
{
    if (swapChains_.empty() || swapChains_[0]->Record().Windowed)
    {
        return false;
    }
    const WindowHandle window = swapChains_[0]->Record().hDeviceWindow;
    SDL_Window* sdlWindow = SdlWindowOf(window);
    if (sdlWindow && (SDL_GetWindowFlags(sdlWindow) & SDL_WINDOW_MINIMIZED))
    {
        return true;
    }
    if (Platform::GetActiveWindow() == window)
    {
        hadFocus_ = true;
        return false;
    }
    // A window that never was active (nothing activated it yet) has not lost the focus.
    return hadFocus_;
}

Result Device::TestCooperativeLevel()
{
    AssertThread();
    if (FullScreenWindowInactive())
    {
        loss_ = Loss::Lost;
        lostByFocus_ = true;
        return DeviceLost;
    }
    if (loss_ == Loss::Lost)
    {
        if (lostByFocus_)
        {
            lostByFocus_ = false;
            loss_ = Loss::NotReset;
        }
        else if (lostPasses_ > 0)
        {
            --lostPasses_;
            return DeviceLost;
        }
        else
        {
            loss_ = Loss::NotReset;
        }
    }
    return loss_ == Loss::NotReset ? DeviceNotReset : Ok;
}

void Device::SimulateDeviceLoss(std::uint32_t lostPasses)
{
    loss_ = Loss::Lost;
    lostPasses_ = lostPasses;
    lostByFocus_ = false;
}

Result Device::Reset(PresentParameters* records)
{
    AssertThread();
    if (!records)
    {
        return InvalidCall;
    }
    MakeCurrent();
    DropBindings();
    std::string blockers;
    for (const DeviceChild* child : children_)
    {
        if (child->BlocksReset())
        {
            blockers += (blockers.empty() ? "" : ", ") + child->Describe();
        }
    }
    if (!blockers.empty())
    {
        Trace("reset refused, still referenced: " + blockers);
        loss_ = Loss::NotReset;
        return InvalidCall;
    }
    for (std::uint32_t i = 0; i < implicitCount_; ++i)
    {
        if (!records[i].hDeviceWindow && i < swapChains_.size())
        {
            records[i].hDeviceWindow = swapChains_[i]->Record().hDeviceWindow;
        }
        const Result valid = ValidateRecord(records[i]);
        if (Failed(valid))
        {
            loss_ = Loss::NotReset;
            return valid;
        }
    }
    ReleaseImplicitObjects();
    const Result built = BuildSwapChains(records, implicitCount_);
    if (Failed(built))
    {
        loss_ = Loss::NotReset;
        return built;
    }
    loss_ = Loss::None;
    lostPasses_ = 0;
    lostByFocus_ = false;
    // A window can lose the focus in the mode switch itself (an X server without a window manager gives
    // it to nobody): the device counts as lost only once the window has had the focus in its new mode.
    hadFocus_ = false;
    return Ok;
}

std::uint32_t Device::GetNumberOfSwapChains() const
{
    return static_cast<std::uint32_t>(swapChains_.size());
}

Result Device::GetSwapChain(std::uint32_t index, SwapChain** swapChain)
{
    AssertThread();
    if (!swapChain || index >= swapChains_.size())
    {
        return InvalidCall;
    }
    swapChains_[index]->AddRef();
    *swapChain = swapChains_[index];
    return Ok;
}

Result Device::CreateAdditionalSwapChain(PresentParameters* record, SwapChain** swapChain)
{
    AssertThread();
    if (!record || !swapChain)
    {
        return InvalidCall;
    }
    PresentParameters checked = *record;
    const Result valid = ValidateRecord(checked);
    if (Failed(valid))
    {
        return valid;
    }
    MakeCurrent();
    SwapChain* made = SwapChain::Make(*this, checked, false);
    if (!made)
    {
        return OutOfVideoMemory;
    }
    *record = checked;
    *swapChain = made;
    return Ok;
}

Result Device::GetBackBuffer(std::uint32_t swapChain, std::uint32_t index, std::uint32_t type,
                             Surface** surface)
{
    if (swapChain >= swapChains_.size())
    {
        return InvalidCall;
    }
    return swapChains_[swapChain]->GetBackBuffer(index, type, surface);
}

Result Device::Present(const Rect* source, const Rect* destination, WindowHandle window, const void* dirty)
{
    AssertThread();
    if (IsLost())
    {
        return DeviceLost;
    }
    for (SwapChain* swapChain : swapChains_)
    {
        const Result presented = swapChain->Present(source, destination, window, dirty, 0);
        if (Failed(presented))
        {
            return presented;
        }
        window = nullptr;
    }
    return Ok;
}

Result Device::GetCreationParameters(DeviceCreationParameters* parameters) const
{
    if (!parameters)
    {
        return InvalidCall;
    }
    *parameters = creation_;
    return Ok;
}

Result Device::GetDeviceCaps(Caps* caps) const
{
    return graphics_->GetDeviceCaps(creation_.AdapterOrdinal, creation_.DeviceType, caps);
}

Result Device::GetDirect3D(Graphics** graphics)
{
    if (!graphics)
    {
        return InvalidCall;
    }
    graphics_->AddRef();
    *graphics = graphics_;
    return Ok;
}

Result Device::GetDisplayMode(std::uint32_t swapChain, DisplayMode* mode)
{
    if (swapChain >= swapChains_.size())
    {
        return InvalidCall;
    }
    return swapChains_[swapChain]->GetDisplayMode(mode);
}

bool Device::MultiSampleAllowed(std::uint32_t format, std::uint32_t type, std::uint32_t quality) const
{
    if (type == MultiSample::None)
    {
        return true;
    }
    std::uint32_t levels = 0;
    return Succeeded(graphics_->CheckDeviceMultiSampleType(creation_.AdapterOrdinal, creation_.DeviceType,
                                                           format, true, type, &levels)) &&
           quality < levels;
}

Result Device::CreateRenderTarget(std::uint32_t width, std::uint32_t height, std::uint32_t format,
                                  std::uint32_t multiSampleType, std::uint32_t multiSampleQuality, bool,
                                  Surface** surface, void* sharedHandle)
{
    AssertThread();
    if (!surface || sharedHandle || width == 0 || height == 0 || !IsRenderTargetFormat(format))
    {
        return InvalidCall;
    }
    if (!MultiSampleAllowed(format, multiSampleType, multiSampleQuality))
    {
        return InvalidCall;
    }
    SurfaceDesc desc;
    desc.Format = format;
    desc.Usage = Usage::RenderTarget;
    desc.MultiSampleType = multiSampleType;
    desc.MultiSampleQuality = multiSampleQuality;
    desc.Width = width;
    desc.Height = height;
    Surface* made = Surface::MakeRenderTarget(*this, desc, false);
    if (!made)
    {
        return OutOfVideoMemory;
    }
    *surface = made;
    return Ok;
}

Result Device::CreateDepthStencilSurface(std::uint32_t width, std::uint32_t height, std::uint32_t format,
                                         std::uint32_t multiSampleType, std::uint32_t multiSampleQuality,
                                         bool, Surface** surface, void* sharedHandle)
{
    AssertThread();
    if (!surface || sharedHandle || width == 0 || height == 0 || !IsDepthFormat(format))
    {
        return InvalidCall;
    }
    if (!MultiSampleAllowed(format, multiSampleType, multiSampleQuality))
    {
        return InvalidCall;
    }
    SurfaceDesc desc;
    desc.Format = format;
    desc.Usage = Usage::DepthStencil;
    desc.MultiSampleType = multiSampleType;
    desc.MultiSampleQuality = multiSampleQuality;
    desc.Width = width;
    desc.Height = height;
    Surface* made = Surface::MakeDepthStencil(*this, desc, false);
    if (!made)
    {
        return OutOfVideoMemory;
    }
    *surface = made;
    return Ok;
}

Result Device::CreateOffscreenPlainSurface(std::uint32_t width, std::uint32_t height, std::uint32_t format,
                                           std::uint32_t pool, Surface** surface, void* sharedHandle)
{
    AssertThread();
    if (!surface || sharedHandle || width == 0 || height == 0 || width > profile_->caps.MaxTextureWidth ||
        height > profile_->caps.MaxTextureHeight || (BytesPerPixel(format) == 0 && !IsCompressed(format)) ||
        IsDepthFormat(format) || pool > Pool::Scratch)
    {
        return InvalidCall;
    }
    SurfaceDesc desc;
    desc.Format = format;
    desc.Pool = pool;
    desc.Width = width;
    desc.Height = height;
    *surface = Surface::MakePlain(*this, desc);
    return Ok;
}

Result Device::ReadPixels(Surface* surface, std::vector<std::uint32_t>& pixels)
{
    AssertThread();
    if (!surface || surface->GetKind() == Surface::Kind::DepthStencil)
    {
        return InvalidCall;
    }
    const SurfaceDesc& desc = surface->Desc();
    const std::size_t count = static_cast<std::size_t>(desc.Width) * desc.Height;
    pixels.resize(count);
    if (surface->GetKind() == Surface::Kind::Plain)
    {
        const std::uint32_t bytes = BytesPerPixel(desc.Format);
        if (bytes == 0)
        {
            return InvalidCall;
        }
        const std::uint8_t* memory = surface->Memory().data();
        for (std::size_t i = 0; i < count; ++i)
        {
            pixels[i] = PixelToArgb(desc.Format, memory + i * bytes);
        }
        return Ok;
    }
    MakeCurrent();
    surface->Resolve();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, readFramebuffer_);
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, surface->GlTextureTarget(),
                           surface->GlTexture(), static_cast<GLint>(surface->GlLevel()));
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ROW_LENGTH, 0);
    // Rows are stored top first, so OpenGL's first row is the picture's top row.
    glReadPixels(0, 0, static_cast<GLsizei>(desc.Width), static_cast<GLsizei>(desc.Height), GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, pixels.data());
    glFramebufferTexture2D(GL_READ_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    if (!HasAlpha(desc.Format))
    {
        for (std::uint32_t& pixel : pixels)
        {
            pixel |= 0xFF000000u;
        }
    }
    targetsDirty_ = true;
    return Ok;
}

Result Device::GetRenderTargetData(Surface* renderTarget, Surface* destination)
{
    AssertThread();
    if (!renderTarget || !destination || renderTarget->GetKind() != Surface::Kind::RenderTarget ||
        destination->GetKind() != Surface::Kind::Plain ||
        renderTarget->Desc().Width != destination->Desc().Width ||
        renderTarget->Desc().Height != destination->Desc().Height ||
        renderTarget->Desc().Format != destination->Desc().Format)
    {
        return InvalidCall;
    }
    // Read in the format's own layout: a detour through 8-bit channels would lose float and 10-bit ones.
    const Rect whole = WholeOf(renderTarget);
    std::vector<std::uint8_t> bytes;
    if (!renderTarget->ReadRect(whole, bytes))
    {
        return InvalidCall;
    }
    // The unused bits of the X formats read as set, as every read-back of pixels gives them.
    const std::uint32_t format = renderTarget->Desc().Format;
    if (format == Format::X8R8G8B8 || format == Format::X1R5G5B5)
    {
        const std::size_t step = BytesPerPixel(format);
        for (std::size_t i = step - 1; i < bytes.size(); i += step)
        {
            bytes[i] |= format == Format::X8R8G8B8 ? 0xFF : 0x80; // the top byte of the pixel
        }
    }
    return destination->WriteRect(whole, bytes.data()) ? Ok : InvalidCall;
}

Result Device::SetRenderTarget(std::uint32_t index, Surface* surface)
{
    AssertThread();
    if (index != 0 || !surface || surface->GetKind() != Surface::Kind::RenderTarget)
    {
        return InvalidCall;
    }
    Rebind(renderTarget_, surface);
    targetsDirty_ = true;
    const Rect whole = WholeOf(surface);
    viewport_ = {0,    0,   static_cast<std::uint32_t>(whole.right), static_cast<std::uint32_t>(whole.bottom),
                 0.0f, 1.0f};
    scissor_ = whole;
    return Ok;
}

Result Device::GetRenderTarget(std::uint32_t index, Surface** surface)
{
    if (!surface || index != 0)
    {
        return InvalidCall;
    }
    if (!renderTarget_)
    {
        *surface = nullptr;
        return NotFound;
    }
    renderTarget_->AddRef();
    *surface = renderTarget_;
    return Ok;
}

Result Device::SetDepthStencilSurface(Surface* surface)
{
    AssertThread();
    if (surface && surface->GetKind() != Surface::Kind::DepthStencil)
    {
        return InvalidCall;
    }
    Rebind(depthStencil_, surface);
    targetsDirty_ = true;
    return Ok;
}

Result Device::GetDepthStencilSurface(Surface** surface)
{
    if (!surface)
    {
        return InvalidCall;
    }
    if (!depthStencil_)
    {
        *surface = nullptr;
        return NotFound;
    }
    depthStencil_->AddRef();
    *surface = depthStencil_;
    return Ok;
}

Result Device::SetViewport(const Viewport* viewport)
{
    AssertThread();
    if (!viewport)
    {
        return InvalidCall;
    }
    const Rect whole = WholeOf(renderTarget_);
    if (renderTarget_ && (static_cast<std::int64_t>(viewport->X) + viewport->Width > whole.right ||
                          static_cast<std::int64_t>(viewport->Y) + viewport->Height > whole.bottom))
    {
        return InvalidCall;
    }
    viewport_ = *viewport;
    return Ok;
}

Result Device::GetViewport(Viewport* viewport) const
{
    if (!viewport)
    {
        return InvalidCall;
    }
    *viewport = viewport_;
    return Ok;
}

Result Device::SetScissorRect(const Rect* rect)
{
    if (!rect || rect->left > rect->right || rect->top > rect->bottom)
    {
        return InvalidCall;
    }
    scissor_ = *rect;
    return Ok;
}

Result Device::GetScissorRect(Rect* rect) const
{
    if (!rect)
    {
        return InvalidCall;
    }
    *rect = scissor_;
    return Ok;
}

bool Device::BindTargets()
{
    if (!renderTarget_)
    {
        return false;
    }
    MakeCurrent();
    glBindFramebuffer(GL_FRAMEBUFFER, drawFramebuffer_);
    if (!targetsDirty_)
    {
        return true;
    }
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, 0, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, 0);
    if (renderTarget_->GlSamples() > 0)
    {
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER,
                                  renderTarget_->GlRenderbuffer());
    }
    else
    {
        glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, renderTarget_->GlTextureTarget(),
                               renderTarget_->GlTexture(), static_cast<GLint>(renderTarget_->GlLevel()));
    }
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    if (depthStencil_)
    {
        const GLenum attachment =
            HasStencil(depthStencil_->Desc().Format) ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, attachment, GL_RENDERBUFFER,
                                  depthStencil_->GlRenderbuffer());
    }
    const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
    if (status != GL_FRAMEBUFFER_COMPLETE)
    {
        Trace("the render target and depth-stencil surface cannot be drawn together (" +
              renderTarget_->Describe() + (depthStencil_ ? ", " + depthStencil_->Describe() : std::string()) +
              ")");
        return false;
    }
    targetsDirty_ = false;
    return true;
}

Result Device::Clear(std::uint32_t count, const Rect* rects, std::uint32_t flags, std::uint32_t color,
                     float z, std::uint32_t stencil)
{
    AssertThread();
    ++counters_.clears;
    const std::uint32_t all = ClearFlag::Target | ClearFlag::ZBuffer | ClearFlag::Stencil;
    if ((flags & ~all) != 0 || (count > 0 && !rects))
    {
        return InvalidCall;
    }
    if ((flags & (ClearFlag::ZBuffer | ClearFlag::Stencil)) && !depthStencil_)
    {
        return InvalidCall;
    }
    if ((flags & ClearFlag::Stencil) && !HasStencil(depthStencil_->Desc().Format))
    {
        return InvalidCall;
    }
    if (IsLost() || flags == 0)
    {
        return Ok;
    }
    if (!BindTargets())
    {
        return InvalidCall;
    }
    // The write masks and the scissor test below are also draw states.
    RenderStatesTouched();
    GLbitfield mask = 0;
    if (flags & ClearFlag::Target)
    {
        mask |= GL_COLOR_BUFFER_BIT;
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glClearColor(static_cast<float>((color >> 16) & 0xFF) / 255.0f,
                     static_cast<float>((color >> 8) & 0xFF) / 255.0f,
                     static_cast<float>(color & 0xFF) / 255.0f,
                     static_cast<float>((color >> 24) & 0xFF) / 255.0f);
    }
    if (flags & ClearFlag::ZBuffer)
    {
        mask |= GL_DEPTH_BUFFER_BIT;
        glDepthMask(GL_TRUE);
        glClearDepth(std::clamp(z, 0.0f, 1.0f));
    }
    if (flags & ClearFlag::Stencil)
    {
        mask |= GL_STENCIL_BUFFER_BIT;
        glStencilMask(0xFF);
        glClearStencil(static_cast<GLint>(stencil & 0xFF));
    }
    Rect area{static_cast<std::int32_t>(viewport_.X), static_cast<std::int32_t>(viewport_.Y),
              static_cast<std::int32_t>(viewport_.X + viewport_.Width),
              static_cast<std::int32_t>(viewport_.Y + viewport_.Height)};
    area = Intersect(area, WholeOf(renderTarget_));
    if (renderStates_[RenderState::ScissorTestEnable])
    {
        area = Intersect(area, scissor_);
    }
    std::vector<Rect> pieces;
    if (count == 0)
    {
        pieces.push_back(area);
    }
    for (std::uint32_t i = 0; i < count; ++i)
    {
        pieces.push_back(Intersect(area, rects[i]));
    }
    glEnable(GL_SCISSOR_TEST);
    for (const Rect& piece : pieces)
    {
        if (piece.right <= piece.left || piece.bottom <= piece.top)
        {
            continue;
        }
        // Rows are stored top first: a rectangle's top is OpenGL's lower y.
        glScissor(piece.left, piece.top, piece.right - piece.left, piece.bottom - piece.top);
        glClear(mask);
    }
    glDisable(GL_SCISSOR_TEST);
    return Ok;
}

Result Device::BeginScene()
{
    AssertThread();
    if (inScene_)
    {
        return InvalidCall;
    }
    inScene_ = true;
    return Ok;
}

Result Device::EndScene()
{
    AssertThread();
    if (!inScene_)
    {
        return InvalidCall;
    }
    inScene_ = false;
    return Ok;
}

Result Device::SetRenderState(std::uint32_t state, std::uint32_t value)
{
    AssertThread();
    ++counters_.renderStates;
    if (state >= RenderStateCount)
    {
        return InvalidCall;
    }
    renderStates_[state] = value;
    NoteUnappliedState(state, value);
    return Ok;
}

Result Device::GetRenderState(std::uint32_t state, std::uint32_t* value) const
{
    if (!value || state >= RenderStateCount)
    {
        return InvalidCall;
    }
    *value = renderStates_[state];
    return Ok;
}

Result Device::SetSoftwareVertexProcessing(bool software)
{
    softwareVertexProcessing_ = software;
    return Ok;
}

} // namespace Platform::Gfx
