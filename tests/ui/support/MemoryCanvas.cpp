#include "tests/ui/support/MemoryCanvas.h"

#include "foundation/TypeTag.h"
#include "platform/gfx/Picture.h"

#include <algorithm>
#include <cmath>

namespace UiTestSupport
{

using BaseLib::CColor;

int CMemoryTextureCanvas::destroyed = 0;

namespace
{

CSoftwarePresenter* g_presenter = nullptr;

} // namespace

CMemoryTextureCanvas::CMemoryTextureCanvas(std::int32_t width, std::int32_t height)
    : CTextureCanvas(width, height),
      m_block(static_cast<std::size_t>(width > 0 ? width : 0) * static_cast<std::size_t>(height > 0 ? height : 0))
{
    SetPixels(m_block.empty() ? nullptr : m_block.data(), width);
}

UILib::CCanvas* CMemoryTextureCanvas::Make(std::int32_t width, std::int32_t height)
{
    return new CMemoryTextureCanvas(width, height);
}

void CMemoryTextureCanvas::Destroy()
{
    ++destroyed;
    delete this;
}

std::uint32_t CMemoryTextureCanvas::GetTypeTag() const
{
    return BaseLib::MakeTypeTag("MEMT");
}

void CMemoryTextureCanvas::Resize(std::int32_t width, std::int32_t height)
{
    CTextureCanvas::Resize(width, height);
    m_block.assign(static_cast<std::size_t>(width > 0 ? width : 0) * static_cast<std::size_t>(height > 0 ? height : 0),
                   CColor());
    SetPixels(m_block.empty() ? nullptr : m_block.data(), width);
    MarkAllDirty();
}

void CMemoryTextureCanvas::SetPosition(std::int32_t x, std::int32_t y)
{
    SetOffset(static_cast<float>(x), static_cast<float>(y));
}

BaseLib::CPoint CMemoryTextureCanvas::GetPosition() const
{
    return BaseLib::CPoint(static_cast<std::int32_t>(m_offset.x), static_cast<std::int32_t>(m_offset.y));
}

void CMemoryTextureCanvas::Render(void* target)
{
    RenderCall call;
    if (target != nullptr)
    {
        call.withRect = true;
        call.rect = *static_cast<const BaseLib::CRect*>(target);
    }
    renders.push_back(call);
    if (g_presenter != nullptr)
    {
        g_presenter->Draw(*this, call.withRect ? &call.rect : nullptr);
    }
}

void CMemoryTextureCanvas::BeginDraw()
{
    ++beginDraws;
}

void CMemoryTextureCanvas::EndDraw(bool clearDirtyList)
{
    if (clearDirtyList)
    {
        ClearDirtyRects();
    }
}

CSoftwarePresenter::CSoftwarePresenter(std::int32_t width, std::int32_t height, CColor background)
    : m_width(width), m_height(height), m_background(background),
      m_screen(static_cast<std::size_t>(width) * static_cast<std::size_t>(height), background)
{
    g_presenter = this;
}

CSoftwarePresenter::~CSoftwarePresenter()
{
    if (g_presenter == this)
    {
        g_presenter = nullptr;
    }
}

CSoftwarePresenter* CSoftwarePresenter::GetCurrent()
{
    return g_presenter;
}

void CSoftwarePresenter::Clear()
{
    std::fill(m_screen.begin(), m_screen.end(), m_background);
}

void CSoftwarePresenter::Draw(const UILib::CTextureCanvas& canvas, const BaseLib::CRect* rect)
{
    const BaseLib::CSize size = canvas.GetSize();
    BaseLib::CRect cut(0, 0, size.cx, size.cy);
    if (rect != nullptr)
    {
        cut = cut.Intersection(*rect);
    }
    const std::uint32_t transparency = static_cast<std::uint32_t>(std::clamp(canvas.GetTransparencyLevel(), 0, 255));
    const std::uint32_t brightness = static_cast<std::uint32_t>(std::clamp(canvas.GetBrightnessLevel(), 0, 255));
    for (std::int32_t y = 0; y < m_height; ++y)
    {
        for (std::int32_t x = 0; x < m_width; ++x)
        {
            const BaseLib::CPoint at = canvas.TransformPoint(x, y);
            if (at.x < cut.left || at.x >= cut.right || at.y < cut.top || at.y >= cut.bottom)
            {
                continue;
            }
            const CColor pixel = canvas.GetPixel(at.x, at.y);
            const std::uint32_t alpha = pixel.GetAlpha() * transparency / 255;
            if (alpha == 0)
            {
                continue;
            }
            const CColor source(static_cast<std::int32_t>(pixel.GetRed() * brightness / 255),
                                static_cast<std::int32_t>(pixel.GetGreen() * brightness / 255),
                                static_cast<std::int32_t>(pixel.GetBlue() * brightness / 255),
                                static_cast<std::int32_t>(alpha));
            CColor& target = m_screen[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + x];
            if (alpha == 255)
            {
                target = source;
            }
            else
            {
                target.BlendOver(source);
            }
        }
    }
}

CColor CSoftwarePresenter::GetPixel(std::int32_t x, std::int32_t y) const
{
    if (x < 0 || y < 0 || x >= m_width || y >= m_height)
    {
        return CColor();
    }
    return m_screen[static_cast<std::size_t>(y) * static_cast<std::size_t>(m_width) + x];
}

bool CSoftwarePresenter::WritePng(const std::string& path) const
{
    std::vector<std::uint32_t> words;
    words.reserve(m_screen.size());
    for (const CColor& pixel : m_screen)
    {
        words.push_back(pixel.argb);
    }
    return Platform::Gfx::WritePng(path, static_cast<std::uint32_t>(m_width), static_cast<std::uint32_t>(m_height),
                                   words, true);
}

} // namespace UiTestSupport
