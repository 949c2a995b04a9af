#include "engine/TextureFactory.h"

#include "engine/EngineController.h"
#include "foundation/Debug.h"
#include "foundation/Helpers.h"
#include "foundation/Paths.h"
#include "foundation/ResourceRegistry.h"
#include "platform/gfx/Constants.h"
#include "platform/gfx/Device.h"
#include "platform/gfx/Results.h"
#include "platform/gfx/Texture.h"
#include "platform/gfxkit/TextureFiles.h"
#include "platform/os/MessageBox.h"

#include <cstdio>
#include <cstdlib>

namespace Qen
{

using namespace Platform::Gfx;
using BaseLib::CResourcePtr;

namespace
{

constexpr std::uint32_t kErrorBoxStyle = Platform::MessageBoxOkCancel | Platform::MessageBoxIconError;

// The error box of the texture paths: Cancel ends the process with -1, OK goes on.
template <typename... Args> void ShowTextureError(const char* format, Args... args)
{
    if (BaseLib::DebugMessageBox(kErrorBoxStyle, "error", format, args...) ==
        Platform::MessageBoxAnswerCancel)
    {
        std::exit(-1);
    }
}

void AppendIf(std::string& key, bool differs, const char* format, std::uint32_t value)
{
    if (differs)
    {
        char part[128];
        std::snprintf(part, sizeof part, format, value);
        key += part;
    }
}

} // namespace

std::uint32_t GetBitsPerPixel(std::uint32_t format)
{
    switch (format)
    {
    case Format::Dxt1:
        return 4;
    case 27: // R3G3B2
    case Format::A8:
    case 41: // P8
    case Format::L8:
    case 52:         // A4L4
    case 0x32545844: // DXT2
    case Format::Dxt3:
    case 0x34545844: // DXT4
    case Format::Dxt5:
        return 8;
    case Format::R5G6B5:
    case Format::X1R5G5B5:
    case Format::A1R5G5B5:
    case Format::A4R4G4B4:
    case 29: // A8R3G3B2
    case 30: // X4R4G4B4
    case 40: // A8P8
    case Format::A8L8:
    case 60: // V8U8
    case Format::D16Lockable:
    case Format::D15S1:
    case Format::D16:
    case Format::L16:
    case Format::R16F:
    case 117: // CxV8U8
        return 16;
    case 20: // R8G8B8
        return 24;
    case Format::A8R8G8B8:
    case Format::X8R8G8B8:
    case 31: // A2B10G10R10
    case 32: // A8B8G8R8
    case 33: // X8B8G8R8
    case 34: // G16R16
    case Format::A2R10G10B10:
    case 62: // X8L8V8U8
    case 63: // Q8W8V8U8
    case Format::D32:
    case Format::D24S8:
    case Format::D24X8:
    case Format::D24X4S4:
    case Format::D32FLockable:
    case Format::D24FS8:
    case Format::G16R16F:
    case Format::R32F:
        return 32;
    case 36:  // A16B16G16R16
    case 110: // Q16W16V16U16
    case Format::A16B16G16R16F:
    case Format::G32R32F:
        return 64;
    case Format::A32B32G32R32F:
        return 128;
    default:
        return 0;
    }
}

CTextureFactory::CTextureFactory(CEngineController* engine, BaseLib::CResourceRegistry* registry)
    : CResourceFactory(registry, nullptr), m_engine(engine)
{}

CTextureFactory::~CTextureFactory()
{
    GetRegistry()->DestroyResourcesOf(this);
}

std::string CTextureFactory::BuildTextureKey(const TTextureParameters& parameters)
{
    std::string key = BaseLib::ToLower(BaseLib::GetFileName(BaseLib::RemoveExtension(parameters.fileName)));
    AppendIf(key, parameters.width != -1, "_w=%d", static_cast<std::uint32_t>(parameters.width));
    AppendIf(key, parameters.height != -1, "_h=%d", static_cast<std::uint32_t>(parameters.height));
    AppendIf(key, parameters.depth != -1, "_d=%d", static_cast<std::uint32_t>(parameters.depth));
    AppendIf(key, parameters.mipLevels != -1, "_mip=%d", static_cast<std::uint32_t>(parameters.mipLevels));
    AppendIf(key, parameters.format != 0, "_fmt=%x", parameters.format);
    AppendIf(key, parameters.usage != 0, "_usg=%x", parameters.usage);
    AppendIf(key, parameters.pool != 1, "_pl=%x", parameters.pool);
    AppendIf(key, parameters.filter != -1, "_flt=%x", static_cast<std::uint32_t>(parameters.filter));
    AppendIf(key, parameters.mipFilter != -1, "_mflt=%x", static_cast<std::uint32_t>(parameters.mipFilter));
    AppendIf(key, parameters.colorKey != 0, "_ckey=%08x", parameters.colorKey);
    return key;
}

CResourcePtr<CTexture>& CTextureFactory::LoadTexture(const std::string& fileName, CResourcePtr<CTexture>& out,
                                                     std::uint32_t pool)
{
    TTextureParameters parameters;
    parameters.pool = pool;
    parameters.fileName = fileName;
    return AssignTypedResource(out, GetResource(BuildTextureKey(parameters), parameters, false, false));
}

CResourcePtr<CTexture>& CTextureFactory::CreateTexture(CResourcePtr<CTexture>& out, std::int32_t width,
                                                       std::int32_t height, std::int32_t mipLevels,
                                                       std::uint32_t usage, std::uint32_t format,
                                                       std::uint32_t pool, void* fillData1, void* fillData2,
                                                       TFill::Function fillFunction, const std::string& name)
{
    TTextureParameters parameters;
    parameters.type = ResourceType::Texture;
    parameters.width = width;
    parameters.height = height;
    parameters.mipLevels = mipLevels;
    parameters.usage = usage;
    parameters.format = format;
    parameters.pool = pool;
    parameters.fill.data1 = fillData1;
    parameters.fill.data2 = fillData2;
    parameters.fill.function = fillFunction;
    return AssignTypedResource(out, GetResource(name, parameters, false, false));
}

BaseLib::CResource* CTextureFactory::Create(const BaseLib::CResourceParameters& parameters)
{
    auto copy = std::make_unique<TTextureParameters>(static_cast<const TTextureParameters&>(parameters));
    if (copy->type == kTypeFromFile && !copy->fileName.empty())
    {
        const std::string path = m_engine->GetPathAliases().ResolvePath(copy->fileName);
        Platform::GfxKit::ImageInfo info;
        if (Succeeded(Platform::GfxKit::GetImageInfoFromFile(path.c_str(), &info)))
        {
            copy->type = info.ResourceType;
        }
    }
    CTexture* texture = nullptr;
    switch (copy->type)
    {
    case ResourceType::VolumeTexture:
        texture = new CTexture3D(this, m_engine);
        break;
    case ResourceType::CubeTexture:
        texture = new CTextureCube(this, m_engine);
        break;
    case ResourceType::Texture:
        texture = new CTexture2D(this, m_engine);
        break;
    default:
        ShowTextureError("couldn't determine texture type:\n\tfile=%s\n", copy->fileName.c_str());
        copy->type = ResourceType::Texture;
        texture = new CTexture2D(this, m_engine);
        break;
    }
    texture->SetParameters(std::move(copy));
    return texture;
}

void CTextureFactory::Destroy(BaseLib::CResource* resource)
{
    DestroyEngineResource(this, resource);
}

void CTextureFactory::Unload(BaseLib::CResource* resource)
{
    UnloadEngineResource(resource);
}

BaseTexture* CTextureFactory::CreateDeviceTexture(TTextureParameters& parameters)
{
    Device* device = m_engine->GetDevice();
    const bool fromFile = !parameters.fileName.empty();
    const std::string path =
        fromFile ? m_engine->GetPathAliases().ResolvePath(parameters.fileName) : std::string();
    const auto width = static_cast<std::uint32_t>(parameters.width);
    const auto height = static_cast<std::uint32_t>(parameters.height);
    const auto depth = static_cast<std::uint32_t>(parameters.depth);
    const auto levels = static_cast<std::uint32_t>(parameters.mipLevels);
    const auto filter = static_cast<std::uint32_t>(parameters.filter);
    const auto mipFilter = static_cast<std::uint32_t>(parameters.mipFilter);
    Result result = Ok;
    BaseTexture* texture = nullptr;
    switch (parameters.type)
    {
    case ResourceType::Texture: {
        Texture* made = nullptr;
        result = fromFile
                     ? Platform::GfxKit::CreateTextureFromFileEx(
                           device, path.c_str(), width, height, levels, parameters.usage, parameters.format,
                           parameters.pool, filter, mipFilter, parameters.colorKey, nullptr, nullptr, &made)
                     : Platform::GfxKit::CreateTexture(device, width, height, levels, parameters.usage,
                                                       parameters.format, parameters.pool, &made);
        texture = made;
        break;
    }
    case ResourceType::VolumeTexture: {
        VolumeTexture* made = nullptr;
        result = fromFile ? Platform::GfxKit::CreateVolumeTextureFromFileEx(
                                device, path.c_str(), width, height, depth, levels, parameters.usage,
                                parameters.format, parameters.pool, filter, mipFilter, parameters.colorKey,
                                nullptr, nullptr, &made)
                          : Platform::GfxKit::CreateVolumeTexture(device, width, height, depth, levels,
                                                                  parameters.usage, parameters.format,
                                                                  parameters.pool, &made);
        texture = made;
        break;
    }
    case ResourceType::CubeTexture: {
        CubeTexture* made = nullptr;
        result = fromFile
                     ? Platform::GfxKit::CreateCubeTextureFromFileEx(
                           device, path.c_str(), width, levels, parameters.usage, parameters.format,
                           parameters.pool, filter, mipFilter, parameters.colorKey, nullptr, nullptr, &made)
                     : Platform::GfxKit::CreateCubeTexture(device, width, levels, parameters.usage,
                                                           parameters.format, parameters.pool, &made);
        texture = made;
        break;
    }
    default:
        return nullptr;
    }
    if (Failed(result) || texture == nullptr)
    {
        if (texture != nullptr)
        {
            texture->Release();
        }
        ShowTextureError("failed to create texture:\n\tHR=%08x (%s)\n\tfile=%s\n",
                         static_cast<unsigned>(result), ErrorName(result), parameters.fileName.c_str());
        return nullptr;
    }
    // Only a texture that was made is handed to the fill function.
    if (!fromFile && parameters.fill.function != nullptr)
    {
        parameters.fill.function(&parameters.fill, texture);
    }
    return texture;
}

void CTextureFactory::ReadTextureDescription(BaseTexture* texture, TTextureParameters& parameters)
{
    parameters.type = texture->GetType();
    parameters.mipLevels = static_cast<std::int32_t>(texture->GetLevelCount());
    switch (parameters.type)
    {
    case ResourceType::Texture: {
        SurfaceDesc desc;
        static_cast<Texture*>(texture)->GetLevelDesc(0, &desc);
        parameters.width = static_cast<std::int32_t>(desc.Width);
        parameters.height = static_cast<std::int32_t>(desc.Height);
        parameters.format = desc.Format;
        parameters.pool = desc.Pool;
        parameters.usage = desc.Usage;
        break;
    }
    case ResourceType::VolumeTexture: {
        VolumeDesc desc;
        static_cast<VolumeTexture*>(texture)->GetLevelDesc(0, &desc);
        parameters.width = static_cast<std::int32_t>(desc.Width);
        parameters.height = static_cast<std::int32_t>(desc.Height);
        parameters.depth = static_cast<std::int32_t>(desc.Depth);
        parameters.format = desc.Format;
        parameters.pool = desc.Pool;
        parameters.usage = desc.Usage;
        break;
    }
    case ResourceType::CubeTexture: {
        SurfaceDesc desc;
        static_cast<CubeTexture*>(texture)->GetLevelDesc(0, &desc);
        parameters.width = static_cast<std::int32_t>(desc.Width);
        parameters.format = desc.Format;
        parameters.pool = desc.Pool;
        parameters.usage = desc.Usage;
        break;
    }
    default:
        break;
    }
}

BaseTexture* CTextureFactory::CopyTexture(CTexture& source)
{
    // A source whose creation failed holds nothing to copy: the clone fails to load.
    if (source.GetTexture() == nullptr)
    {
        return nullptr;
    }
    TTextureParameters parameters;
    ReadTextureDescription(source.GetTexture(), parameters);
    BaseTexture* texture = CreateDeviceTexture(parameters);
    if (texture != nullptr)
    {
        m_engine->GetDevice()->UpdateTexture(source.GetTexture(), texture);
    }
    return texture;
}

bool CTextureFactory::Load(BaseLib::CResource* resource)
{
    auto* texture = static_cast<CTexture*>(resource);
    TTextureParameters& parameters = texture->Parameters();
    BaseTexture* made = nullptr;
    if (parameters.source)
    {
        parameters.source->WaitUntilLoaded();
        made = CopyTexture(static_cast<CTexture&>(*parameters.source));
    }
    else
    {
        made = CreateDeviceTexture(parameters);
    }
    if (made != nullptr)
    {
        ReadTextureDescription(made, parameters);
        texture->SetTexture(made);
    }
    return texture->GetTexture() != nullptr;
}

CTexture::~CTexture()
{
    CTexture::ReleaseDeviceObject();
}

void CTexture::SetTexture(BaseTexture* texture)
{
    if (m_texture != nullptr)
    {
        m_texture->Release();
    }
    m_texture = texture;
}

void CTexture::ReleaseDeviceObject()
{
    SetTexture(nullptr);
}

std::uint32_t CTexture::GetSize() const
{
    if (m_texture == nullptr)
    {
        return 0;
    }
    std::uint32_t bits = 0;
    switch (m_texture->GetType())
    {
    case ResourceType::VolumeTexture: {
        VolumeDesc desc;
        static_cast<VolumeTexture*>(m_texture)->GetLevelDesc(0, &desc);
        bits = GetBitsPerPixel(desc.Format);
        break;
    }
    case ResourceType::CubeTexture: {
        SurfaceDesc desc;
        static_cast<CubeTexture*>(m_texture)->GetLevelDesc(0, &desc);
        bits = GetBitsPerPixel(desc.Format);
        break;
    }
    default: {
        SurfaceDesc desc;
        static_cast<Texture*>(m_texture)->GetLevelDesc(0, &desc);
        bits = GetBitsPerPixel(desc.Format);
        break;
    }
    }
    std::uint32_t size = 0;
    const std::uint32_t levels = m_texture->GetLevelCount();
    for (std::uint32_t level = 0; level < levels; ++level)
    {
        size += LevelSize(level, bits);
    }
    return size;
}

void CTexture::HandleEvent(std::string event)
{
    if (event == "precache")
    {
        if (m_texture != nullptr && GetPool() == Pool::Managed)
        {
            m_texture->PreLoad();
        }
    }
    else if (event == "devicelost")
    {
        DropOnLoss(m_texture != nullptr && GetPool() == Pool::Default);
    }
    else if (event == "devicereset")
    {
        RestoreAfterReset();
    }
}

std::uint32_t CTexture2D::GetPool() const
{
    SurfaceDesc desc;
    static_cast<Texture*>(m_texture)->GetLevelDesc(0, &desc);
    return desc.Pool;
}

std::uint32_t CTexture2D::LevelSize(std::uint32_t level, std::uint32_t bits) const
{
    SurfaceDesc desc;
    static_cast<Texture*>(m_texture)->GetLevelDesc(level, &desc);
    return (desc.Width * desc.Height * bits) >> 3;
}

std::uint32_t CTexture3D::GetPool() const
{
    VolumeDesc desc;
    static_cast<VolumeTexture*>(m_texture)->GetLevelDesc(0, &desc);
    return desc.Pool;
}

std::uint32_t CTexture3D::LevelSize(std::uint32_t level, std::uint32_t bits) const
{
    VolumeDesc desc;
    static_cast<VolumeTexture*>(m_texture)->GetLevelDesc(level, &desc);
    return (desc.Width * desc.Height * desc.Depth * bits) >> 3;
}

std::uint32_t CTextureCube::GetPool() const
{
    SurfaceDesc desc;
    static_cast<CubeTexture*>(m_texture)->GetLevelDesc(0, &desc);
    return desc.Pool;
}

std::uint32_t CTextureCube::LevelSize(std::uint32_t level, std::uint32_t bits) const
{
    SurfaceDesc desc;
    static_cast<CubeTexture*>(m_texture)->GetLevelDesc(level, &desc);
    return (desc.Width * desc.Height * bits * 6) >> 3;
}

} // namespace Qen
