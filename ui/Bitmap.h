#pragma once

#include "foundation/Color.h"
#include "foundation/Point.h"
#include "foundation/Resource.h"
#include "foundation/String.h"

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>

namespace UILib
{

// What bitmap data is made from. An empty file name makes a blank of width × height; otherwise width and
// height (0 = as loaded) or the scale (1.0 = as loaded) resize the loaded image. The file name is a
// standard string: the parameters are read on the streaming thread, and CString counts are not atomic.
class CBitmapDataResourceParameters : public BaseLib::CResourceParameters
{
public:
    explicit CBitmapDataResourceParameters(std::string file = {}, std::int32_t w = 0, std::int32_t h = 0,
                                           float s = 1.0f)
        : fileName(std::move(file)), width(w), height(h), scale(s)
    {}

    std::string fileName;
    std::int32_t width;
    std::int32_t height;
    float scale;
};

// A pixel block from std::malloc/std::calloc (a blank's zero pages come from the system for free).
struct CPixelBlockFree
{
    void operator()(BaseLib::CColor* block) const { std::free(block); }
};
using CPixelBlock = std::unique_ptr<BaseLib::CColor[], CPixelBlockFree>;

// Decoded 32-bit pixels (bytes blue, green, red, alpha; rows from the top, row length = width) shared
// by every user of one resource name. The block exists only while the data is loaded.
class CBitmapData : public BaseLib::CResource
{
public:
    explicit CBitmapData(BaseLib::CResourceFactory* factory) : CResource(factory) {}

    // Pixel count × 4: what the registry counts against its memory limit.
    std::uint32_t GetSize() const override { return static_cast<std::uint32_t>(pixelCount) * 4u; }
    const CBitmapDataResourceParameters& GetBitmapParameters() const
    {
        return static_cast<const CBitmapDataResourceParameters&>(*GetParameters());
    }

    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t pixelCount = 0;
    CPixelBlock pixels;
    // The 100 × 100 block shown in place of a file that could not be loaded.
    bool placeholder = false;
};

// A counted, copy-on-write reference to bitmap data. Reference operations never wait; data operations
// wait first while the data is scheduled for background loading.
class CBitmap
{
public:
    CBitmap() = default;
    CBitmap(const CBitmap& other) = default;
    // The file's data from the bitmap factory; empty for an empty name or while no factory exists.
    CBitmap(const BaseLib::CString& file);
    CBitmap(const char* file) : CBitmap(BaseLib::CString(file)) {}
    // The file scaled by a factor.
    CBitmap(const BaseLib::CString& file, float scale);
    // The file resized to width × height (empty for an empty name, as the other file constructors).
    CBitmap(const BaseLib::CString& file, std::int32_t width, std::int32_t height);
    // New private data of that size; with clear its pixels are 0 (transparent black).
    CBitmap(std::int32_t width, std::int32_t height, bool clear);
    virtual ~CBitmap() = default;

    // Nothing when both hold the same data; else the old data is released and the other's shared.
    CBitmap& operator=(const CBitmap& other);
    bool IsValid() const { return static_cast<bool>(m_data); }
    bool IsNull() const { return !m_data; }
    // Compares the data objects, not their names.
    bool operator!=(const CBitmap& other) const { return m_data.Get() != other.m_data.Get(); }
    bool operator==(const CBitmap& other) const { return m_data.Get() == other.m_data.Get(); }
    void Release() { m_data.Clear(); }

    // The data's resource name (empty without data).
    BaseLib::CString GetFileName() const;
    const BaseLib::CColor* GetPixels() const;
    std::int32_t GetWidth() const;
    std::int32_t GetHeight() const;
    BaseLib::CSize GetSize() const;
    std::int32_t GetPixelCount() const;
    // Makes the data private to this bitmap, then its pixels; null without data.
    BaseLib::CColor* GetWritablePixels();
    // True when the data's resource name differs byte-wise from name; without data, when name is not empty.
    bool IsDifferentFile(const char* name) const;
    // Whether the data is the factory's placeholder for a file that could not be loaded.
    bool IsPlaceholder() const;

    // The data, after waiting while it is scheduled; null without data.
    CBitmapData* GetData() const;
    // The data without waiting.
    CBitmapData* PeekData() const { return m_data.Get(); }
    void SetData(BaseLib::CResourcePtr<CBitmapData> data) { m_data = std::move(data); }

private:
    BaseLib::CResourcePtr<CBitmapData> m_data;
};

// Makes the bitmap private, then sets every pixel to (g, g, g, its own alpha), g = (red + green + blue) / 3.
void CreateGreyscaleCopy(CBitmap& bitmap);
void MakeGreyscale(std::int32_t width, std::int32_t height, BaseLib::CColor* pixels);

} // namespace UILib
