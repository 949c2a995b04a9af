#include "ui/BitmapFactory.h"

#include "ui/BitmapCanvas.h"
#include "ui/FontFactory.h"
#include "ui/UILibSystem.h"

#include "foundation/Debug.h"
#include "foundation/PathAliases.h"
#include "foundation/ResourceRegistry.h"
#include "platform/gfxkit/ImageFile.h"
#include "platform/gfxkit/ImageInfo.h"
#include "platform/gfxkit/ImageLibrary.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <new>
#include <thread>

namespace UILib
{

using BaseLib::CColor;
using BaseLib::CResourcePtr;

namespace
{

std::atomic<CBitmapFactory*> g_current{nullptr};

static_assert(sizeof(CColor) == sizeof(std::uint32_t), "pixels are decoded as 0xAARRGGBB words");

constexpr std::int32_t kPlaceholderSize = 100;
constexpr CColor kPlaceholderColour(200, 100, 100, 255);

// Whether a width × height block is within the bounds every bitmap keeps: each side at most 16384 and
// at most 2^26 pixels. Compared in floating point, so huge or infinite sizes never become integers.
bool SizeWithinBounds(double width, double height)
{
    return width <= Platform::GfxKit::MaxImageEdge && height <= Platform::GfxKit::MaxImageEdge &&
           width * height <= static_cast<double>(Platform::GfxKit::MaxImageTexels);
}

// A block of count words (zero-filled when asked), or null when it cannot be had.
CPixelBlock AllocateBlock(std::int32_t count, bool zero = true)
{
    const std::size_t words = count > 0 ? static_cast<std::size_t>(count) : 1;
    return CPixelBlock(static_cast<CColor*>(zero ? std::calloc(words, sizeof(CColor))
                                                 : std::malloc(words * sizeof(CColor))));
}

// The font the placeholder writes its file name with: an alpha font of height 16 in the default face.
// Away from the thread that made the factory (a load on the streaming thread) it is a private copy, so
// no glyph cache is shared between threads. Null without a font factory.
BaseLib::CResourcePtr<CFont> PlaceholderFont(bool privateCopy)
{
    CFontFactory* fonts = CFontFactory::GetCurrent();
    if (fonts == nullptr)
    {
        return {};
    }
    if (!privateCopy)
    {
        return CreateAlphaBitmapFont(fonts, 16, "", 0, 0, 5, 0);
    }
    CFontParameters parameters;
    parameters.type = AlphaBitmapFontTag;
    parameters.height = 16;
    parameters.weight = 5;
    const BaseLib::CResourcePtr<BaseLib::CResource> font =
        fonts->GetResource(MakeFontResourceName(parameters), parameters, true, false);
    return BaseLib::CResourcePtr<CFont>(static_cast<CFont*>(font.Get()));
}

// The 100 × 100 placeholder, with the file name written in its top-left corner when a font factory exists.
void MakePlaceholder(CBitmapData& data, const std::string& fileName, bool privateFont)
{
    data.pixels = AllocateBlock(kPlaceholderSize * kPlaceholderSize);
    if (!data.pixels)
    {
        data.width = data.height = data.pixelCount = 0;
        data.placeholder = true;
        return;
    }
    data.width = data.height = kPlaceholderSize;
    data.pixelCount = kPlaceholderSize * kPlaceholderSize;
    data.placeholder = true;
    // Painted through a canvas over the raw block: a canvas made from a CBitmap would wait for this
    // very data.
    CBitmapCanvas canvas(data.pixels.get());
    canvas.BeginDraw();
    canvas.FillRect(0, 0, kPlaceholderSize, kPlaceholderSize, kPlaceholderColour);
    if (!fileName.empty())
    {
        const BaseLib::CRect whole(0, 0, kPlaceholderSize, kPlaceholderSize);
        canvas.DrawTextInRect(PlaceholderFont(privateFont), whole, 1, 1, BaseLib::CString(fileName.c_str()),
                              CColor(0, 0, 0, 255), whole, 0);
    }
    canvas.EndDraw(true);
}

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Format(const char* format, ...)
{
    char buffer[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(buffer, sizeof buffer, format, args);
    va_end(args);
    return buffer;
}

// The file name resolved through the window system's path aliases (which lower-case its media name);
// as given while the window system holds none.
std::string ResolvedFileName(const BaseLib::CString& file)
{
    const std::string name(static_cast<const char*>(file));
    const CUILibSystem* system = CUILibSystem::GetInstance();
    const BaseLib::CPathAliases* aliases = system != nullptr ? system->GetPathAliases() : nullptr;
    return aliases != nullptr && !name.empty() ? aliases->ResolvePath(name) : name;
}

bool IsAbsolute(const std::string& path)
{
    return !path.empty() && path[0] == '/';
}

} // namespace

CBitmapFactory::CBitmapFactory(BaseLib::CResourceRegistry* registry,
                               BaseLib::CStreamingThread* streamingThread)
    : CResourceFactory(registry, streamingThread)
{
    SetBackgroundLoading(false);
    m_ownerThread = std::this_thread::get_id();
    AddSearchPath("./");
    g_current.store(this);
}

CBitmapFactory::~CBitmapFactory()
{
    CBitmapFactory* self = this;
    g_current.compare_exchange_strong(self, nullptr);
    GetRegistry()->DestroyResourcesOf(this);
}

bool CBitmapFactory::OnOtherThread() const
{
    return std::this_thread::get_id() != m_ownerThread;
}

CBitmapFactory* CBitmapFactory::GetCurrent()
{
    return g_current.load();
}

CResourcePtr<CBitmapData> CBitmapFactory::Request(const std::string& name, const std::string& file,
                                                  std::int32_t width, std::int32_t height, float scale)
{
    CBitmapDataResourceParameters parameters(file, width, height, scale);
    CResourcePtr<BaseLib::CResource> resource = GetResource(name, parameters, false, true);
    return CResourcePtr<CBitmapData>(static_cast<CBitmapData*>(resource.Get()));
}

CResourcePtr<CBitmapData> CBitmapFactory::GetBitmap(const BaseLib::CString& file)
{
    const std::string name = ResolvedFileName(file);
    return Request(name, name, 0, 0, 1.0f);
}

CResourcePtr<CBitmapData> CBitmapFactory::GetBitmap(const BaseLib::CString& file, std::int32_t width,
                                                    std::int32_t height)
{
    const std::string path = ResolvedFileName(file);
    return Request(
        static_cast<const char*>(BaseLib::CString::FromFormat("%s_%d_%d", path.c_str(), width, height)), path,
        width, height, 1.0f);
}

CResourcePtr<CBitmapData> CBitmapFactory::GetBitmap(const BaseLib::CString& file, float scale)
{
    const std::string path = ResolvedFileName(file);
    return Request(static_cast<const char*>(
                       BaseLib::CString::FromFormat("%s_%g", path.c_str(), static_cast<double>(scale))),
                   path, 0, 0, scale);
}

CResourcePtr<CBitmapData> CBitmapFactory::CreateBlank(std::int32_t width, std::int32_t height)
{
    return Request(std::string(), std::string(), width, height, 1.0f);
}

void CBitmapFactory::AddSearchPath(const BaseLib::CString& folder)
{
    std::string text(static_cast<const char*>(folder));
    if (text.empty())
    {
        return;
    }
    if (text.back() != '/')
    {
        text += '/';
    }
    std::lock_guard<std::recursive_mutex> hold(Platform::GfxKit::ImageLibraryLock());
    m_searchPaths.push_back(std::move(text));
}

std::vector<std::string> CBitmapFactory::GetSearchPaths() const
{
    std::lock_guard<std::recursive_mutex> hold(Platform::GfxKit::ImageLibraryLock());
    return m_searchPaths;
}

BaseLib::CResource* CBitmapFactory::Create(const BaseLib::CResourceParameters& parameters)
{
    auto* data = new CBitmapData(this);
    data->SetParameters(std::make_unique<CBitmapDataResourceParameters>(
        static_cast<const CBitmapDataResourceParameters&>(parameters)));
    return data;
}

void CBitmapFactory::Destroy(BaseLib::CResource* resource)
{
    resource->Unload();
    delete resource;
}

void CBitmapFactory::Unload(BaseLib::CResource* resource)
{
    auto& data = static_cast<CBitmapData&>(*resource);
    data.pixels.reset();
    data.width = data.height = data.pixelCount = 0;
    data.placeholder = false;
}

bool CBitmapFactory::Load(BaseLib::CResource* resource)
{
    auto& data = static_cast<CBitmapData&>(*resource);
    const CBitmapDataResourceParameters& parameters = data.GetBitmapParameters();
    std::lock_guard<std::recursive_mutex> hold(Platform::GfxKit::ImageLibraryLock());
    data.placeholder = false;
    if (parameters.fileName.empty())
    {
        if (parameters.width < 0 || parameters.height < 0 ||
            !SizeWithinBounds(parameters.width, parameters.height))
        {
            BaseLib::DebugOutput("CBitmapFactory: Warning: cannot make a blank bitmap of %d x %d\n",
                                 parameters.width, parameters.height);
            MakePlaceholder(data, parameters.fileName, OnOtherThread());
            return true;
        }
        const std::int32_t count = parameters.width * parameters.height;
        data.pixels = AllocateBlock(count);
        if (!data.pixels && count > 0)
        {
            BaseLib::DebugOutput("CBitmapFactory: Warning: no memory for a blank bitmap of %d x %d\n",
                                 parameters.width, parameters.height);
            MakePlaceholder(data, parameters.fileName, OnOtherThread());
            return true;
        }
        data.width = parameters.width;
        data.height = parameters.height;
        data.pixelCount = count;
        return true;
    }
    LoadFile(data, parameters);
    return true;
}

void CBitmapFactory::LoadFile(CBitmapData& data, const CBitmapDataResourceParameters& parameters)
{
    std::vector<std::string> paths;
    if (IsAbsolute(parameters.fileName))
    {
        paths.push_back(parameters.fileName);
    }
    else
    {
        for (const std::string& folder : m_searchPaths)
        {
            paths.push_back(folder + parameters.fileName);
        }
    }

    // Each file found is read through the checked step and decoded; the first refusal is kept for the
    // trace, and the next search folder is tried.
    std::string refusedPath;
    std::string refusedReason;
    std::string failure;
    bool loaded = false;
    for (const std::string& path : paths)
    {
        Platform::GfxKit::CheckedImageFile file;
        std::string error;
        if (Platform::GfxKit::ReadImageFileForLibrary(path, file, error))
        {
            const double storedWidth = file.width;
            const double storedHeight = file.height;
            double targetWidth = storedWidth;
            double targetHeight = storedHeight;
            Platform::GfxKit::ImageDecodeSize decodeSize;
            if (parameters.width != 0 || parameters.height != 0)
            {
                // A negative component keeps the stored size.
                if (parameters.width >= 0 && parameters.height >= 0)
                {
                    targetWidth = std::max(parameters.width, 1);
                    targetHeight = std::max(parameters.height, 1);
                }
            }
            else if (parameters.scale != 1.0f && parameters.scale > 0.0f)
            {
                targetWidth = std::max(std::trunc(storedWidth * static_cast<double>(parameters.scale)), 1.0);
                targetHeight = std::max(std::trunc(storedHeight * static_cast<double>(parameters.scale)), 1.0);
                decodeSize.filter = parameters.scale >= 1.0f ? Platform::GfxKit::ImageScaleFilter::BSpline
                                                             : Platform::GfxKit::ImageScaleFilter::Bilinear;
            }
            if (!SizeWithinBounds(targetWidth, targetHeight))
            {
                failure = Format("CBitmapFactory: Warning: %s: the size %g x %g is too large\n",
                                 parameters.fileName.c_str(), targetWidth, targetHeight);
                break;
            }
            if (targetWidth != storedWidth || targetHeight != storedHeight)
            {
                decodeSize.width = static_cast<std::uint32_t>(targetWidth);
                decodeSize.height = static_cast<std::uint32_t>(targetHeight);
            }
            CPixelBlock pixels;
            std::int32_t width = 0;
            std::int32_t height = 0;
            bool noMemory = false;
            const auto destination = [&](std::uint32_t w, std::uint32_t h) -> std::uint32_t* {
                width = static_cast<std::int32_t>(w);
                height = static_cast<std::int32_t>(h);
                pixels = AllocateBlock(width * height, false);
                noMemory = !pixels;
                return pixels ? reinterpret_cast<std::uint32_t*>(pixels.get()) : nullptr;
            };
            if (Platform::GfxKit::DecodeImage(file.libraryType, file.bytes.data(), file.bytes.size(),
                                              file.width, file.height, decodeSize, destination, error))
            {
                data.pixels = std::move(pixels);
                data.width = width;
                data.height = height;
                data.pixelCount = width * height;
                loaded = true;
                break;
            }
            if (noMemory)
            {
                failure = Format("CBitmapFactory: Warning: %s: no memory for %d x %d pixels\n",
                                 parameters.fileName.c_str(), width, height);
                break;
            }
            file.found = true;
        }
        if (file.found && refusedPath.empty())
        {
            refusedPath = path;
            refusedReason = error;
        }
    }
    if (loaded)
    {
        return;
    }
    if (!failure.empty())
    {
        BaseLib::DebugOutput("%s", failure.c_str());
    }
    else
    {
        for (const std::string& path : paths)
        {
            BaseLib::DebugOutput("CBitmapFactory: Warning: failed to load: %s\n", path.c_str());
        }
        if (!refusedPath.empty())
        {
            BaseLib::DebugOutput("CBitmapFactory: Warning: %s refused: %s\n", refusedPath.c_str(),
                                 refusedReason.c_str());
        }
    }
    MakePlaceholder(data, parameters.fileName, OnOtherThread());
}

void CBitmapFactory::MakePrivate(CBitmap& bitmap)
{
    CBitmapData* data = bitmap.GetData();
    if (data == nullptr || (data->GetDestroyOnRelease() && data->GetCount() == 1))
    {
        return;
    }
    CResourcePtr<CBitmapData> copy = CreateBlank(data->width, data->height);
    if (!copy)
    {
        return;
    }
    copy->WaitUntilLoaded();
    if (copy->pixels && data->pixels && copy->pixelCount == data->pixelCount)
    {
        std::memcpy(static_cast<void*>(copy->pixels.get()), data->pixels.get(),
                    static_cast<std::size_t>(data->pixelCount) * sizeof(CColor));
    }
    copy->placeholder = data->placeholder;
    copy->SetParameters(std::make_unique<CBitmapDataResourceParameters>(data->GetBitmapParameters()));
    bitmap.SetData(std::move(copy));
}

} // namespace UILib
