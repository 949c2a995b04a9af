#include "platform/os/Cursor.h"

#include "platform/gfxkit/ImageFile.h"
#include "platform/gfxkit/ImageLibrary.h"
#include "platform/os/Files.h"
#include "platform/os/PngDecode.h"
#include "platform/os/WindowSystem.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <vector>

namespace Platform
{

struct CursorRecord
{
    int systemShape = -1; // SDL_SystemCursor, or -1 for an image
    int width = 0;
    int height = 0;
    Point hotSpot;
    std::vector<std::uint8_t> rgba; // top row first
    SDL_Cursor* sdl = nullptr;      // made on first use, freed before the window layer stops video
};

struct IconRecord
{
    std::uint32_t id = 0; // 0: the default application icon
};

namespace
{

std::atomic<int> displayCount{0};

struct CursorStore
{
    std::map<std::uint32_t, std::unique_ptr<CursorRecord>> system; // by SDL shape
    std::vector<std::unique_ptr<CursorRecord>> files;
    CursorHandle current = nullptr;
    std::map<std::uint32_t, std::unique_ptr<IconRecord>> icons;
    std::map<std::uint32_t, std::string> iconFiles;
};

CursorStore& Store()
{
    static CursorStore store;
    return store;
}

int SystemShapeOf(std::uint32_t id)
{
    switch (id)
    {
    case IDC_ARROW:
    case IDC_UPARROW:
    case IDC_HELP:
        return SDL_SYSTEM_CURSOR_ARROW;
    case IDC_IBEAM:
        return SDL_SYSTEM_CURSOR_IBEAM;
    case IDC_WAIT:
        return SDL_SYSTEM_CURSOR_WAIT;
    case IDC_CROSS:
        return SDL_SYSTEM_CURSOR_CROSSHAIR;
    case IDC_SIZENWSE:
        return SDL_SYSTEM_CURSOR_SIZENWSE;
    case IDC_SIZENESW:
        return SDL_SYSTEM_CURSOR_SIZENESW;
    case IDC_SIZEWE:
        return SDL_SYSTEM_CURSOR_SIZEWE;
    case IDC_SIZENS:
        return SDL_SYSTEM_CURSOR_SIZENS;
    case IDC_SIZEALL:
        return SDL_SYSTEM_CURSOR_SIZEALL;
    case IDC_NO:
        return SDL_SYSTEM_CURSOR_NO;
    case IDC_HAND:
        return SDL_SYSTEM_CURSOR_HAND;
    case IDC_APPSTARTING:
        return SDL_SYSTEM_CURSOR_WAITARROW;
    default:
        return -1;
    }
}

SDL_Cursor* SdlCursorOf(CursorRecord* record)
{
    if (record == nullptr || !Windows().videoHeld)
    {
        return nullptr;
    }
    if (record->sdl == nullptr)
    {
        if (record->systemShape >= 0)
        {
            record->sdl = SDL_CreateSystemCursor(static_cast<SDL_SystemCursor>(record->systemShape));
        }
        else
        {
            SDL_Surface* surface =
                SDL_CreateRGBSurfaceWithFormatFrom(record->rgba.data(), record->width, record->height, 32,
                                                   record->width * 4, SDL_PIXELFORMAT_RGBA32);
            if (surface != nullptr)
            {
                record->sdl = SDL_CreateColorCursor(surface, record->hotSpot.x, record->hotSpot.y);
                SDL_FreeSurface(surface);
            }
        }
        if (record->sdl == nullptr)
        {
            TraceWindowing(std::string("cannot make a cursor: ") + SDL_GetError());
        }
    }
    return record->sdl;
}

std::uint32_t Read16(const std::uint8_t* p)
{
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8);
}

std::uint32_t Read32(const std::uint8_t* p)
{
    return Read16(p) | (Read16(p + 2) << 16);
}

// Fills the record from the bytes of a ".cur" file; false with the reason otherwise.
bool ParseCursorFile(const std::vector<std::uint8_t>& bytes, CursorRecord& record, std::string& error)
{
    if (bytes.size() < 6 + 16)
    {
        error = "shorter than its header";
        return false;
    }
    if (Read16(&bytes[0]) != 0 || Read16(&bytes[2]) != 2 || Read16(&bytes[4]) == 0)
    {
        error = "not a cursor file (reserved 0, type 2, at least one image)";
        return false;
    }
    const std::uint8_t* entry = &bytes[6];
    record.hotSpot =
        Point{static_cast<std::int32_t>(Read16(entry + 4)), static_cast<std::int32_t>(Read16(entry + 6))};
    const std::uint64_t size = Read32(entry + 8);
    const std::uint64_t offset = Read32(entry + 12);
    if (offset + size > bytes.size() || size == 0)
    {
        error = "image data lies outside the file";
        return false;
    }
    const std::uint8_t* data = &bytes[offset];
    if (LooksLikePng(data, size))
    {
        if (!DecodePng(data, size, record.width, record.height, record.rgba, error))
        {
            error = "unreadable PNG image: " + error;
            return false;
        }
    }
    else
    {
        if (size < 40 || Read32(data) < 40)
        {
            error = "bitmap header missing";
            return false;
        }
        const std::uint32_t headerSize = Read32(data);
        const auto width = static_cast<std::int32_t>(Read32(data + 4));
        const auto doubledHeight = static_cast<std::int32_t>(Read32(data + 8));
        const std::uint32_t bits = Read16(data + 14);
        const std::uint32_t compression = Read32(data + 16);
        if (bits != 32 || compression != 0)
        {
            error = "only uncompressed 32-bit bitmaps are read";
            return false;
        }
        if (width <= 0 || width > 1024 || doubledHeight <= 0 || doubledHeight > 2048 ||
            doubledHeight % 2 != 0)
        {
            error = "bitmap size out of range";
            return false;
        }
        const std::int32_t height = doubledHeight / 2;
        const std::uint64_t colourBytes = static_cast<std::uint64_t>(width) * height * 4;
        const std::uint64_t maskStride = ((static_cast<std::uint64_t>(width) + 31) / 32) * 4;
        if (headerSize + colourBytes + maskStride * height > size)
        {
            error = "bitmap data truncated";
            return false;
        }
        const std::uint8_t* colour = data + headerSize;
        const std::uint8_t* mask = colour + colourBytes;
        bool anyAlpha = false;
        for (std::uint64_t i = 3; i < colourBytes; i += 4)
        {
            anyAlpha = anyAlpha || colour[i] != 0;
        }
        record.width = width;
        record.height = height;
        record.rgba.assign(colourBytes, 0);
        for (std::int32_t y = 0; y < height; ++y)
        {
            // Bitmap rows run bottom to top.
            const std::uint8_t* source = colour + static_cast<std::uint64_t>(height - 1 - y) * width * 4;
            const std::uint8_t* maskRow = mask + static_cast<std::uint64_t>(height - 1 - y) * maskStride;
            std::uint8_t* target = &record.rgba[static_cast<std::uint64_t>(y) * width * 4];
            for (std::int32_t x = 0; x < width; ++x)
            {
                const bool transparent = (maskRow[x / 8] & (0x80 >> (x % 8))) != 0;
                target[x * 4 + 0] = source[x * 4 + 2];
                target[x * 4 + 1] = source[x * 4 + 1];
                target[x * 4 + 2] = source[x * 4 + 0];
                target[x * 4 + 3] = anyAlpha ? source[x * 4 + 3] : (transparent ? 0 : 255);
            }
        }
    }
    if (record.hotSpot.x >= record.width || record.hotSpot.y >= record.height)
    {
        error = "hot spot outside the image";
        return false;
    }
    return true;
}

// Reads the whole file into bytes; traces and answers false when it cannot be opened or read. `kind`
// names the file in the trace ("icon", "cursor").
bool ReadWholeFile(const std::string& path, const char* kind, std::vector<std::uint8_t>& bytes)
{
    std::ifstream file;
    if (!OpenFileStream(file, path, std::ios::binary))
    {
        TraceWindowing(std::string("cannot open ") + kind + " file " + path);
        return false;
    }
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof())
    {
        TraceWindowing(std::string("cannot read ") + kind + " file " + path);
        return false;
    }
    return true;
}

SDL_Surface* LoadIconSurface(const std::string& path)
{
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(path, "icon", bytes))
    {
        return nullptr;
    }
    if (LooksLikePng(bytes.data(), bytes.size()))
    {
        int width = 0;
        int height = 0;
        std::vector<std::uint8_t> pixels;
        std::string error;
        if (!DecodePng(bytes.data(), bytes.size(), width, height, pixels, error))
        {
            TraceWindowing("icon file " + path + ": " + error);
            return nullptr;
        }
        SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_RGBA32);
        if (surface != nullptr)
        {
            for (int y = 0; y < height; ++y)
            {
                std::memcpy(static_cast<std::uint8_t*>(surface->pixels) + y * surface->pitch,
                            &pixels[static_cast<std::size_t>(y) * width * 4],
                            static_cast<std::size_t>(width) * 4);
            }
        }
        return surface;
    }
    // A BMP goes through the program's one checked image decode: its header and pixel bytes are
    // checked before any decoder trusts its sizes.
    GfxKit::CheckedImageFile file;
    std::string error;
    if (!GfxKit::ReadImageFileForLibrary(path, file, error) || file.libraryType != GfxKit::ImageLibraryType::Bmp)
    {
        TraceWindowing("icon file " + path + " is neither PNG nor BMP" + (error.empty() ? "" : ": " + error));
        return nullptr;
    }
    std::vector<std::uint32_t> pixels;
    if (!GfxKit::DecodeWithImageLibrary(file.libraryType, file.bytes.data(), file.bytes.size(), file.width,
                                        file.height, pixels, error))
    {
        TraceWindowing("icon file " + path + ": " + error);
        return nullptr;
    }
    const int width = static_cast<int>(file.width);
    const int height = static_cast<int>(file.height);
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormat(0, width, height, 32, SDL_PIXELFORMAT_ARGB8888);
    if (surface != nullptr)
    {
        for (int y = 0; y < height; ++y)
        {
            auto* row = reinterpret_cast<std::uint32_t*>(static_cast<std::uint8_t*>(surface->pixels) + y * surface->pitch);
            for (int x = 0; x < width; ++x)
            {
                const std::uint32_t pixel = pixels[static_cast<std::size_t>(y) * width + x];
                row[x] = file.alpha ? pixel : pixel | 0xFF000000u;
            }
        }
    }
    return surface;
}

} // namespace

int ShowCursor(bool show)
{
    const int count = show ? ++displayCount : --displayCount;
    if (SDL_WasInit(SDL_INIT_VIDEO) != 0)
    {
        SDL_ShowCursor(count >= 0 ? SDL_ENABLE : SDL_DISABLE);
    }
    return count;
}

int CursorDisplayCount()
{
    return displayCount.load();
}

CursorHandle LoadCursorA(InstanceHandle instance, std::uint32_t id)
{
    const int shape = SystemShapeOf(id);
    if (instance != nullptr || shape < 0)
    {
        return nullptr;
    }
    auto& slot = Store().system[static_cast<std::uint32_t>(shape)];
    if (!slot)
    {
        slot = std::make_unique<CursorRecord>();
        slot->systemShape = shape;
    }
    return slot.get();
}

CursorHandle LoadCursorFromFileA(const char* path)
{
    const std::string name = path != nullptr ? path : "";
    std::vector<std::uint8_t> bytes;
    if (!ReadWholeFile(name, "cursor", bytes))
    {
        return nullptr;
    }
    auto record = std::make_unique<CursorRecord>();
    std::string error;
    if (!ParseCursorFile(bytes, *record, error))
    {
        TraceWindowing("cursor file " + name + ": " + error);
        return nullptr;
    }
    Store().files.push_back(std::move(record));
    return Store().files.back().get();
}

CursorHandle SetCursor(CursorHandle cursor)
{
    CursorHandle previous = Store().current;
    Store().current = cursor;
    if (SDL_Cursor* sdl = SdlCursorOf(cursor))
    {
        SDL_SetCursor(sdl);
    }
    return previous;
}

bool DestroyCursor(CursorHandle cursor)
{
    CursorStore& store = Store();
    if (cursor == nullptr || cursor == store.current)
    {
        return false;
    }
    const auto found = std::find_if(store.files.begin(), store.files.end(),
                                    [cursor](const std::unique_ptr<CursorRecord>& record) { return record.get() == cursor; });
    if (found == store.files.end())
    {
        return false;
    }
    if ((*found)->sdl != nullptr)
    {
        SDL_FreeCursor((*found)->sdl);
    }
    store.files.erase(found);
    return true;
}

CursorHandle GetCursor()
{
    return Store().current;
}

Point CursorHotSpot(CursorHandle cursor)
{
    return cursor != nullptr ? cursor->hotSpot : Point{};
}

Point CursorSize(CursorHandle cursor)
{
    return cursor != nullptr ? Point{cursor->width, cursor->height} : Point{};
}

void ApplyWindowCursor(WindowHandle window)
{
    if (window != nullptr && window->cursor != nullptr)
    {
        SetCursor(window->cursor);
    }
}

void FreeSdlCursors()
{
    CursorStore& store = Store();
    for (auto& [id, record] : store.system)
    {
        if (record->sdl != nullptr)
        {
            SDL_FreeCursor(record->sdl);
            record->sdl = nullptr;
        }
    }
    for (auto& record : store.files)
    {
        if (record->sdl != nullptr)
        {
            SDL_FreeCursor(record->sdl);
            record->sdl = nullptr;
        }
    }
}

IconHandle LoadIconA(InstanceHandle instance, std::uint32_t id)
{
    CursorStore& store = Store();
    if (instance == nullptr && id != IDI_APPLICATION)
    {
        return nullptr;
    }
    const std::uint32_t key = instance == nullptr ? 0 : id;
    auto& slot = store.icons[key];
    if (!slot)
    {
        slot = std::make_unique<IconRecord>();
        slot->id = key;
    }
    return slot.get();
}

void RegisterIconFile(std::uint32_t id, const std::string& path)
{
    Store().iconFiles[id] = path;
}

bool ReadIconFile(const std::string& path, Point& size)
{
    SDL_Surface* surface = LoadIconSurface(path);
    if (surface == nullptr)
    {
        return false;
    }
    size = Point{surface->w, surface->h};
    SDL_FreeSurface(surface);
    return true;
}

void ApplyClassIcon(WindowHandle window)
{
    if (window == nullptr || window->windowClass == nullptr || window->windowClass->icon == nullptr)
    {
        return;
    }
    const auto found = Store().iconFiles.find(window->windowClass->icon->id);
    if (found == Store().iconFiles.end())
    {
        return;
    }
    if (SDL_Surface* surface = LoadIconSurface(found->second))
    {
        SDL_SetWindowIcon(window->sdl, surface);
        SDL_FreeSurface(surface);
    }
}

} // namespace Platform
