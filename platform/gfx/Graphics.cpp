#include "platform/gfx/Graphics.h"

#include "platform/gfx/Constants.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/GlContext.h"
#include "platform/gfx/PixelFormat.h"

#include <algorithm>
#include <cstdio>
#include <tuple>
#include <utility>

namespace Platform::Gfx
{
namespace
{

std::optional<std::vector<SimulatedAdapter>>& Simulated()
{
    static std::optional<std::vector<SimulatedAdapter>> simulated;
    return simulated;
}

// Depth formats a real adapter offers for depth-stencil surfaces.
const std::vector<std::uint32_t> kDepthFormats = {Format::D16, Format::D24S8, Format::D24X8, Format::D32,
                                                  Format::D24FS8};

std::uint32_t LevelsForSamples(std::uint32_t maxSamples)
{
    std::uint32_t levels = 0;
    for (std::uint32_t samples = 2; samples <= 16 && samples <= maxSamples; samples *= 2)
    {
        ++levels;
    }
    return levels;
}

std::string GlString(GLenum name)
{
    const GLubyte* text = glGetString(name);
    return text ? reinterpret_cast<const char*>(text) : "";
}

GLint GlInteger(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return value;
}

// What every adapter of this machine shares: one OpenGL implementation.
AdapterProfile ProbeOpenGl()
{
    AdapterProfile profile;
    Caps& caps = profile.caps;
    caps.Caps2 = Caps2Bit::DynamicTextures;
    caps.PresentationIntervals = PresentInterval::One | PresentInterval::Immediate;
    caps.DevCaps = DevCapsBit::HwTransformAndLight;
    caps.StencilCaps = StencilCapsBit::Keep | StencilCapsBit::Zero | StencilCapsBit::Replace |
                       StencilCapsBit::IncrSat | StencilCapsBit::DecrSat | StencilCapsBit::Invert |
                       StencilCapsBit::Incr | StencilCapsBit::Decr | StencilCapsBit::TwoSided;
    // Any size of texture: no power-of-two or square-only restriction.
    caps.TextureCaps = TextureCapsBit::Perspective | TextureCapsBit::Alpha | TextureCapsBit::Projected |
                       TextureCapsBit::CubeMap | TextureCapsBit::VolumeMap | TextureCapsBit::MipMap |
                       TextureCapsBit::MipVolumeMap | TextureCapsBit::MipCubeMap;
    const auto maxTexture = static_cast<std::uint32_t>(GlInteger(GL_MAX_TEXTURE_SIZE));
    caps.MaxTextureWidth = maxTexture;
    caps.MaxTextureHeight = maxTexture;
    caps.MaxVolumeExtent = static_cast<std::uint32_t>(GlInteger(GL_MAX_3D_TEXTURE_SIZE));
    caps.MaxAnisotropy = epoxy_has_gl_extension("GL_EXT_texture_filter_anisotropic") ? 16 : 1;
    caps.MaxVertexIndex = 0xFFFFFF;
    caps.MaxPrimitiveCount = 0xFFFFF;
    caps.MaxStreams = 16;
    caps.MaxStreamStride = 255;
    caps.VertexShaderVersion = 0xFFFE0300u;
    caps.MaxVertexShaderConst = 256;
    caps.PixelShaderVersion = 0xFFFF0300u;
    caps.NumSimultaneousRTs = 1;
    caps.NumberOfAdaptersInGroup = 1;

    profile.identifier.Driver = "OpenGL";
    profile.identifier.Description = GlString(GL_RENDERER);
    int major = 0;
    int minor = 0;
    std::sscanf(GlString(GL_VERSION).c_str(), "%d.%d", &major, &minor);
    profile.identifier.DriverVersion =
        (static_cast<std::uint64_t>(major) << 48) | (static_cast<std::uint64_t>(minor) << 32);
    profile.maxSamples = static_cast<std::uint32_t>(GlInteger(GL_MAX_SAMPLES));
    profile.multiSampleLevels = LevelsForSamples(profile.maxSamples);
    profile.depthFormats = kDepthFormats;
    return profile;
}

std::vector<AdapterProfile> BuildAdapters(const AdapterProfile& base)
{
    const int displays = std::max(1, SDL_GetNumVideoDisplays());
    std::vector<AdapterProfile> adapters;
    const auto& simulated = Simulated();
    const std::size_t count = simulated ? simulated->size() : static_cast<std::size_t>(displays);
    for (std::size_t i = 0; i < count; ++i)
    {
        AdapterProfile adapter = base;
        const auto ordinal = static_cast<std::uint32_t>(i);
        adapter.display = static_cast<int>(i) % displays;
        adapter.caps.AdapterOrdinal = ordinal;
        adapter.caps.MasterAdapterOrdinal = ordinal;
        const char* displayName = SDL_GetDisplayName(adapter.display);
        adapter.identifier.DeviceName = "display " + std::to_string(adapter.display) +
                                        (displayName ? std::string(" (") + displayName + ")" : "");
        if (simulated)
        {
            const SimulatedAdapter& description = (*simulated)[i];
            Caps& caps = adapter.caps;
            caps.MasterAdapterOrdinal = description.masterAdapterOrdinal;
            caps.AdapterOrdinalInGroup = description.adapterOrdinalInGroup;
            caps.NumberOfAdaptersInGroup = description.numberOfAdaptersInGroup;
            if (description.description)
            {
                adapter.identifier.Description = *description.description;
            }
            caps.VertexShaderVersion = description.vertexShaderVersion.value_or(caps.VertexShaderVersion);
            caps.MaxVertexShaderConst = description.maxVertexShaderConst.value_or(caps.MaxVertexShaderConst);
            caps.Caps2 = description.caps2.value_or(caps.Caps2);
            if (description.twoSidedStencil && !*description.twoSidedStencil)
            {
                caps.StencilCaps &= ~StencilCapsBit::TwoSided;
            }
            if (description.hardwareTransformAndLight && !*description.hardwareTransformAndLight)
            {
                caps.DevCaps &= ~DevCapsBit::HwTransformAndLight;
            }
            if (description.depthFormats)
            {
                adapter.depthFormats = *description.depthFormats;
            }
            if (description.multiSampleLevels)
            {
                adapter.multiSampleLevels =
                    std::min(*description.multiSampleLevels, adapter.multiSampleLevels);
            }
        }
        adapters.push_back(std::move(adapter));
    }
    return adapters;
}

std::vector<DisplayMode> ModesOf(int display)
{
    std::vector<DisplayMode> modes;
    const int count = SDL_GetNumDisplayModes(display);
    for (int i = 0; i < count; ++i)
    {
        SDL_DisplayMode sdlMode;
        if (SDL_GetDisplayMode(display, i, &sdlMode) != 0)
        {
            continue;
        }
        DisplayMode mode{static_cast<std::uint32_t>(sdlMode.w), static_cast<std::uint32_t>(sdlMode.h),
                         static_cast<std::uint32_t>(sdlMode.refresh_rate), Format::X8R8G8B8};
        const bool known = std::any_of(modes.begin(), modes.end(), [&](const DisplayMode& other) {
            return std::tie(other.Width, other.Height, other.RefreshRate) ==
                   std::tie(mode.Width, mode.Height, mode.RefreshRate);
        });
        if (!known)
        {
            modes.push_back(mode);
        }
    }
    return modes;
}

bool IsTextureFormat(std::uint32_t format)
{
    switch (format)
    {
    case Format::A8R8G8B8:
    case Format::X8R8G8B8:
    case Format::R5G6B5:
    case Format::X1R5G5B5:
    case Format::A1R5G5B5:
    case Format::A4R4G4B4:
    case Format::A8:
    case Format::L8:
    case Format::A8L8:
    case Format::L16:
    case Format::R16F:
    case Format::G16R16F:
    case Format::A16B16G16R16F:
    case Format::R32F:
    case Format::G32R32F:
    case Format::A32B32G32R32F:
    case Format::Dxt1:
    case Format::Dxt3:
    case Format::Dxt5:
        return true;
    default:
        return false;
    }
}

bool Contains(const std::vector<std::uint32_t>& values, std::uint32_t value)
{
    return std::find(values.begin(), values.end(), value) != values.end();
}

} // namespace

Graphics::Graphics(std::vector<AdapterProfile> adapters) : adapters_(std::move(adapters)) {}

Graphics::~Graphics()
{
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
}

Graphics* CreateGraphics(std::uint32_t version)
{
    if (version != 31 && version != 32)
    {
        return nullptr;
    }
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0)
    {
        return nullptr;
    }
    AdapterProfile base;
    {
        SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
        SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
        std::unique_ptr<GlContext> probe = GlContext::Make();
        if (!probe)
        {
            SDL_QuitSubSystem(SDL_INIT_VIDEO);
            return nullptr;
        }
        base = ProbeOpenGl();
        probe.reset();
        if (previousContext)
        {
            SDL_GL_MakeCurrent(previousWindow, previousContext);
        }
    }
    return new Graphics(BuildAdapters(base));
}

void SimulateAdapters(std::vector<SimulatedAdapter> adapters)
{
    Simulated() = std::move(adapters);
}

void StopSimulatingAdapters()
{
    Simulated().reset();
}

const AdapterProfile* Graphics::Profile(std::uint32_t adapter) const
{
    return adapter < adapters_.size() ? &adapters_[adapter] : nullptr;
}

std::uint32_t Graphics::GetAdapterCount() const
{
    return static_cast<std::uint32_t>(adapters_.size());
}

Result Graphics::GetAdapterIdentifier(std::uint32_t adapter, std::uint32_t,
                                      AdapterIdentifier* identifier) const
{
    const AdapterProfile* profile = Profile(adapter);
    if (!profile || !identifier)
    {
        return InvalidCall;
    }
    *identifier = profile->identifier;
    return Ok;
}

std::uint32_t Graphics::GetAdapterModeCount(std::uint32_t adapter, std::uint32_t format) const
{
    const AdapterProfile* profile = Profile(adapter);
    if (!profile || format != Format::X8R8G8B8)
    {
        return 0;
    }
    return static_cast<std::uint32_t>(ModesOf(profile->display).size());
}

Result Graphics::EnumAdapterModes(std::uint32_t adapter, std::uint32_t format, std::uint32_t mode,
                                  DisplayMode* displayMode) const
{
    const AdapterProfile* profile = Profile(adapter);
    if (!profile || !displayMode)
    {
        return InvalidCall;
    }
    if (format != Format::X8R8G8B8)
    {
        return NotAvailable;
    }
    const std::vector<DisplayMode> modes = ModesOf(profile->display);
    if (mode >= modes.size())
    {
        return InvalidCall;
    }
    *displayMode = modes[mode];
    return Ok;
}

Result Graphics::GetAdapterDisplayMode(std::uint32_t adapter, DisplayMode* mode) const
{
    const AdapterProfile* profile = Profile(adapter);
    if (!profile || !mode)
    {
        return InvalidCall;
    }
    SDL_DisplayMode current;
    if (SDL_GetCurrentDisplayMode(profile->display, &current) != 0)
    {
        return NotAvailable;
    }
    *mode = {static_cast<std::uint32_t>(current.w), static_cast<std::uint32_t>(current.h),
             static_cast<std::uint32_t>(current.refresh_rate), Format::X8R8G8B8};
    return Ok;
}

Result Graphics::GetDeviceCaps(std::uint32_t adapter, std::uint32_t deviceType, Caps* caps) const
{
    const AdapterProfile* profile = Profile(adapter);
    if (!profile || !caps || (deviceType != DeviceType::Hal && deviceType != DeviceType::Ref))
    {
        return InvalidCall;
    }
    *caps = profile->caps;
    caps->DeviceType = deviceType;
    return Ok;
}

MonitorHandle Graphics::GetAdapterMonitor(std::uint32_t adapter) const
{
    const AdapterProfile* profile = Profile(adapter);
    return profile ? MonitorOfDisplay(profile->display) : nullptr;
}

Result Graphics::CheckDeviceFormat(std::uint32_t adapter, std::uint32_t, std::uint32_t, std::uint32_t usage,
                                   std::uint32_t resourceType, std::uint32_t format) const
{
    const AdapterProfile* profile = Profile(adapter);
    if (!profile)
    {
        return InvalidCall;
    }
    const bool imageType = resourceType == ResourceType::Surface || resourceType == ResourceType::Texture ||
                           resourceType == ResourceType::CubeTexture;
    if (usage & Usage::DepthStencil)
    {
        // Depth-stencil buffers are surfaces only: the device makes no depth textures.
        return resourceType == ResourceType::Surface && Contains(profile->depthFormats, format)
                   ? Ok
                   : NotAvailable;
    }
    if (usage & Usage::RenderTarget)
    {
        return imageType && IsRenderTargetFormat(format) ? Ok : NotAvailable;
    }
    switch (resourceType)
    {
    case ResourceType::Surface:
    case ResourceType::Texture:
    case ResourceType::CubeTexture:
    case ResourceType::VolumeTexture:
    case ResourceType::Volume:
        return IsTextureFormat(format) ? Ok : NotAvailable;
    case ResourceType::VertexBuffer:
        return Ok;
    case ResourceType::IndexBuffer:
        return format == Format::Index16 || format == Format::Index32 ? Ok : NotAvailable;
    default:
        return NotAvailable;
    }
}

Result Graphics::CheckDepthStencilMatch(std::uint32_t adapter, std::uint32_t, std::uint32_t,
                                        std::uint32_t renderTargetFormat, std::uint32_t depthFormat) const
{
    const AdapterProfile* profile = Profile(adapter);
    if (!profile)
    {
        return InvalidCall;
    }
    const bool target = renderTargetFormat == Format::A8R8G8B8 || renderTargetFormat == Format::X8R8G8B8;
    return target && Contains(profile->depthFormats, depthFormat) ? Ok : NotAvailable;
}

Result Graphics::CheckDeviceMultiSampleType(std::uint32_t adapter, std::uint32_t, std::uint32_t format, bool,
                                            std::uint32_t multiSampleType, std::uint32_t* qualityLevels) const
{
    const AdapterProfile* profile = Profile(adapter);
    if (!profile)
    {
        return InvalidCall;
    }
    if (qualityLevels)
    {
        *qualityLevels = 0;
    }
    if (!IsRenderTargetFormat(format) && !Contains(profile->depthFormats, format))
    {
        return NotAvailable;
    }
    std::uint32_t levels = 0;
    if (multiSampleType == MultiSample::None)
    {
        levels = 1;
    }
    else if (multiSampleType == MultiSample::NonMaskable)
    {
        levels = profile->multiSampleLevels;
    }
    else if (multiSampleType <= 16)
    {
        // The largest sample count the adapter's levels allow.
        const std::uint32_t limit = profile->multiSampleLevels ? (2u << (profile->multiSampleLevels - 1)) : 0;
        levels = multiSampleType <= limit ? 1 : 0;
    }
    if (levels == 0)
    {
        return NotAvailable;
    }
    if (qualityLevels)
    {
        *qualityLevels = levels;
    }
    return Ok;
}

Result Graphics::CreateDevice(std::uint32_t adapter, std::uint32_t deviceType, WindowHandle focusWindow,
                              std::uint32_t behaviorFlags, PresentParameters* records, Device** device)
{
    const AdapterProfile* profile = Profile(adapter);
    if (!profile || !records || !device || (deviceType != DeviceType::Hal && deviceType != DeviceType::Ref))
    {
        return InvalidCall;
    }
    if ((behaviorFlags & CreateFlag::AdapterGroupDevice) && profile->caps.AdapterOrdinalInGroup != 0)
    {
        return InvalidCall;
    }
    return Device::Create(*this, *profile, adapter, deviceType, focusWindow, behaviorFlags, records, device);
}

} // namespace Platform::Gfx
