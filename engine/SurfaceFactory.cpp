#include "engine/SurfaceFactory.h"

#include "engine/EngineController.h"
#include "foundation/Debug.h"
#include "foundation/ResourceRegistry.h"
#include "platform/gfx/Constants.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/PixelFormat.h"
#include "platform/gfx/Results.h"
#include "platform/gfx/Surface.h"
#include "platform/gfx/Texture.h"
#include "platform/gfxkit/TextureFiles.h"
#include "platform/os/MessageBox.h"

#include <cstdio>
#include <cstdlib>

namespace Qen
{

using namespace Platform::Gfx;
using BaseLib::CResourcePtr;

CSurfaceFactory::CSurfaceFactory(CEngineController* engine, BaseLib::CResourceRegistry* registry)
    : CResourceFactory(registry, nullptr), m_engine(engine)
{}

CSurfaceFactory::~CSurfaceFactory()
{
    GetRegistry()->DestroyResourcesOf(this);
}

CResourcePtr<CSurface>& CSurfaceFactory::GetSurface(CResourcePtr<CSurface>& out, std::int32_t width,
                                                    std::int32_t height, std::uint32_t format,
                                                    std::uint32_t multiSampleType,
                                                    std::uint32_t multiSampleQuality, const std::string& name)
{
    TSurfaceParameters parameters;
    parameters.width = width;
    parameters.height = height;
    parameters.format = format;
    parameters.multiSampleType = multiSampleType;
    parameters.multiSampleQuality = multiSampleQuality;
    return AssignTypedResource(out, GetResource(name, parameters, false, false));
}

BaseLib::CResource* CSurfaceFactory::Create(const BaseLib::CResourceParameters& parameters)
{
    auto* surface = new CSurface(this, m_engine);
    surface->SetParameters(
        std::make_unique<TSurfaceParameters>(static_cast<const TSurfaceParameters&>(parameters)));
    return surface;
}

void CSurfaceFactory::Destroy(BaseLib::CResource* resource)
{
    DestroyEngineResource(this, resource);
}

void CSurfaceFactory::Unload(BaseLib::CResource* resource)
{
    UnloadEngineResource(resource);
}

Surface* CSurfaceFactory::CreateDeviceSurface(TSurfaceParameters& parameters)
{
    Device* device = m_engine->GetDevice();
    Surface* surface = nullptr;
    Result result = Ok;
    if (!parameters.fileName.empty())
    {
        const std::string path = m_engine->GetPathAliases().ResolvePath(parameters.fileName);
        Platform::GfxKit::ImageInfo info;
        result = Platform::GfxKit::GetImageInfoFromFile(path.c_str(), &info);
        if (Succeeded(result))
        {
            auto width = static_cast<std::uint32_t>(parameters.width);
            auto height = static_cast<std::uint32_t>(parameters.height);
            std::uint32_t format = parameters.format;
            if (parameters.width == -1 && parameters.height == -1 && parameters.format == 0)
            {
                width = info.Width;
                height = info.Height;
                format = info.Format;
            }
            result = device->CreateOffscreenPlainSurface(width, height, format, parameters.pool, &surface,
                                                         nullptr);
            if (Succeeded(result))
            {
                result =
                    Platform::GfxKit::LoadSurfaceFromFile(surface, nullptr, nullptr, path.c_str(), nullptr,
                                                          Platform::GfxKit::DefaultValue, 0, nullptr);
            }
        }
    }
    else if (parameters.texture)
    {
        parameters.texture->WaitUntilLoaded();
        BaseTexture* texture = parameters.texture->GetTexture();
        // No texture, or not a 2D one, has no level to hand out.
        result = texture != nullptr && texture->GetType() == ResourceType::Texture
                     ? static_cast<Texture*>(texture)->GetSurfaceLevel(
                           static_cast<std::uint32_t>(parameters.level), &surface)
                     : InvalidCall;
    }
    else if (IsDepthFormat(parameters.format))
    {
        result = device->CreateDepthStencilSurface(
            static_cast<std::uint32_t>(parameters.width), static_cast<std::uint32_t>(parameters.height),
            parameters.format, parameters.multiSampleType, parameters.multiSampleQuality, parameters.discard,
            &surface, nullptr);
    }
    else
    {
        result = device->CreateOffscreenPlainSurface(static_cast<std::uint32_t>(parameters.width),
                                                     static_cast<std::uint32_t>(parameters.height),
                                                     parameters.format, parameters.pool, &surface, nullptr);
    }
    if (Failed(result))
    {
        if (surface != nullptr)
        {
            std::exchange(surface, nullptr)->Release();
        }
        char text[2048];
        std::snprintf(text, sizeof text, "failed to create surface:\n\tHR=%08x (%s)\n\tfile=%s\n",
                      static_cast<unsigned>(result), ErrorName(result), parameters.fileName.c_str());
        BaseLib::DebugOutput("%s", text);
        if (Platform::MessageBoxA(nullptr, text, "error",
                                  Platform::MessageBoxOkCancel | Platform::MessageBoxIconError) ==
            Platform::MessageBoxAnswerCancel)
        {
            std::exit(-1);
        }
    }
    if (parameters.fill.function != nullptr)
    {
        parameters.fill.function(&parameters.fill, surface);
    }
    return surface;
}

Surface* CSurfaceFactory::CopySurface(CSurface& source)
{
    if (source.GetSurface() == nullptr)
    {
        return nullptr;
    }
    SurfaceDesc desc;
    source.GetSurface()->GetDesc(&desc);
    TSurfaceParameters parameters;
    parameters.width = static_cast<std::int32_t>(desc.Width);
    parameters.height = static_cast<std::int32_t>(desc.Height);
    parameters.format = desc.Format;
    parameters.pool = desc.Pool;
    Surface* surface = CreateDeviceSurface(parameters);
    if (surface != nullptr)
    {
        m_engine->GetDevice()->UpdateSurface(source.GetSurface(), nullptr, surface, nullptr);
    }
    return surface;
}

bool CSurfaceFactory::Load(BaseLib::CResource* resource)
{
    auto* surface = static_cast<CSurface*>(resource);
    TSurfaceParameters& parameters = surface->Parameters();
    Surface* made = nullptr;
    if (parameters.source)
    {
        parameters.source->WaitUntilLoaded();
        made = CopySurface(static_cast<CSurface&>(*parameters.source));
    }
    else
    {
        made = CreateDeviceSurface(parameters);
    }
    if (made != nullptr)
    {
        SurfaceDesc desc;
        made->GetDesc(&desc);
        parameters.width = static_cast<std::int32_t>(desc.Width);
        parameters.height = static_cast<std::int32_t>(desc.Height);
        parameters.pool = desc.Pool;
        parameters.format = desc.Format;
        surface->SetSurface(made);
    }
    return surface->GetSurface() != nullptr;
}

CSurface::~CSurface()
{
    CSurface::ReleaseDeviceObject();
}

void CSurface::SetSurface(Surface* surface)
{
    if (m_surface != nullptr)
    {
        m_surface->Release();
    }
    m_surface = surface;
}

void CSurface::ReleaseDeviceObject()
{
    SetSurface(nullptr);
}

std::uint32_t CSurface::GetSize() const
{
    if (m_surface == nullptr)
    {
        return 0;
    }
    SurfaceDesc desc;
    m_surface->GetDesc(&desc);
    return desc.Width * desc.Height * GetBitsPerPixel(desc.Format) / 8;
}

void CSurface::HandleEvent(std::string event)
{
    SurfaceDesc desc;
    if (m_surface != nullptr)
    {
        m_surface->GetDesc(&desc);
    }
    if (event == "precache")
    {
        // Plain surfaces live in memory; a texture level is uploaded with its texture.
        if (m_surface != nullptr && desc.Pool == Pool::Managed && m_surface->Container() != nullptr)
        {
            m_surface->Container()->PreLoad();
        }
    }
    else if (event == "devicelost")
    {
        DropOnLoss(m_surface != nullptr && desc.Pool == Pool::Default);
    }
    else if (event == "devicereset")
    {
        RestoreAfterReset();
    }
}

} // namespace Qen
