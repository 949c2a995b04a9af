#include "ui/Bitmap.h"

#include "ui/BitmapFactory.h"

#include <cstring>

namespace UILib
{

using BaseLib::CColor;

namespace
{

bool HasName(const BaseLib::CString& file)
{
    return file.GetLength() > 0;
}

} // namespace

CBitmap::CBitmap(const BaseLib::CString& file)
{
    CBitmapFactory* factory = CBitmapFactory::GetCurrent();
    if (factory != nullptr && HasName(file))
    {
        m_data = factory->GetBitmap(file);
    }
}

CBitmap::CBitmap(const BaseLib::CString& file, float scale)
{
    CBitmapFactory* factory = CBitmapFactory::GetCurrent();
    if (factory != nullptr && HasName(file))
    {
        m_data = factory->GetBitmap(file, scale);
    }
}

CBitmap::CBitmap(const BaseLib::CString& file, std::int32_t width, std::int32_t height)
{
    CBitmapFactory* factory = CBitmapFactory::GetCurrent();
    if (factory != nullptr && HasName(file))
    {
        m_data = factory->GetBitmap(file, width, height);
    }
}

CBitmap::CBitmap(std::int32_t width, std::int32_t height, bool clear)
{
    CBitmapFactory* factory = CBitmapFactory::GetCurrent();
    if (factory == nullptr)
    {
        return;
    }
    m_data = factory->CreateBlank(width, height);
    CBitmapData* data = GetData();
    if (clear && data != nullptr && data->pixels)
    {
        std::memset(static_cast<void*>(data->pixels.get()), 0,
                    static_cast<std::size_t>(data->pixelCount) * 4);
    }
}

CBitmap& CBitmap::operator=(const CBitmap& other)
{
    if (m_data.Get() != other.m_data.Get())
    {
        m_data = other.m_data;
    }
    return *this;
}

CBitmapData* CBitmap::GetData() const
{
    CBitmapData* data = m_data.Get();
    if (data != nullptr && data->GetState() == BaseLib::ResourceScheduled)
    {
        data->WaitUntilLoaded();
    }
    return data;
}

BaseLib::CString CBitmap::GetFileName() const
{
    const CBitmapData* data = GetData();
    return data != nullptr ? BaseLib::CString(data->GetId().c_str()) : BaseLib::CString();
}

const CColor* CBitmap::GetPixels() const
{
    const CBitmapData* data = GetData();
    return data != nullptr ? data->pixels.get() : nullptr;
}

std::int32_t CBitmap::GetWidth() const
{
    const CBitmapData* data = GetData();
    return data != nullptr ? data->width : 0;
}

std::int32_t CBitmap::GetHeight() const
{
    const CBitmapData* data = GetData();
    return data != nullptr ? data->height : 0;
}

BaseLib::CSize CBitmap::GetSize() const
{
    const CBitmapData* data = GetData();
    return data != nullptr ? BaseLib::CSize(data->width, data->height) : BaseLib::CSize();
}

std::int32_t CBitmap::GetPixelCount() const
{
    const CBitmapData* data = GetData();
    return data != nullptr ? data->width * data->height : 0;
}

CColor* CBitmap::GetWritablePixels()
{
    CBitmapData* data = GetData();
    if (data == nullptr)
    {
        return nullptr;
    }
    auto* factory = static_cast<CBitmapFactory*>(data->GetFactory());
    factory->MakePrivate(*this);
    return m_data->pixels.get();
}

bool CBitmap::IsDifferentFile(const char* name) const
{
    const char* text = name != nullptr ? name : "";
    const CBitmapData* data = GetData();
    if (data == nullptr)
    {
        return text[0] != '\0';
    }
    return data->GetId() != text;
}

bool CBitmap::IsPlaceholder() const
{
    const CBitmapData* data = GetData();
    return data != nullptr && data->placeholder;
}

void MakeGreyscale(std::int32_t width, std::int32_t height, CColor* pixels)
{
    if (pixels == nullptr || width <= 0 || height <= 0)
    {
        return;
    }
    const std::int64_t count = static_cast<std::int64_t>(width) * height;
    for (std::int64_t i = 0; i < count; ++i)
    {
        const CColor pixel = pixels[i];
        const std::int32_t grey = (pixel.GetRed() + pixel.GetGreen() + pixel.GetBlue()) / 3;
        pixels[i] = CColor(grey, grey, grey, pixel.GetAlpha());
    }
}

void CreateGreyscaleCopy(CBitmap& bitmap)
{
    CColor* pixels = bitmap.GetWritablePixels();
    MakeGreyscale(bitmap.GetWidth(), bitmap.GetHeight(), pixels);
}

} // namespace UILib
