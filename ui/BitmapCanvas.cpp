#include "ui/BitmapCanvas.h"

#include "foundation/TypeTag.h"
#include "ui/Bitmap.h"

namespace UILib
{

CBitmapCanvas::CBitmapCanvas(CBitmap& bitmap)
    : CPixelBufferCanvas(bitmap.GetWidth(), bitmap.GetHeight()), m_pixelCount(m_width * m_height)
{
    SetPixels(bitmap.GetWritablePixels(), m_width);
    ClearDirtyRects();
}

CBitmapCanvas::CBitmapCanvas(BaseLib::CColor* pixels) : CPixelBufferCanvas(100, 100), m_pixelCount(100 * 100)
{
    SetPixels(pixels, 100);
}

std::uint32_t CBitmapCanvas::GetTypeTag() const
{
    return BaseLib::MakeTypeTag("BMPD");
}

void CBitmapCanvas::EndDraw(bool clearDirtyList)
{
    m_drawing = false;
    if (clearDirtyList)
    {
        ClearDirtyRects();
    }
}

} // namespace UILib
